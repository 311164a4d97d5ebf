#pragma once
// A few database connections shared by the server's threads: a thread takes one
// for a transaction and gives it back; when all are taken it waits. A connection
// that broke is dropped, with the idle ones, and a new one made when next needed.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nearbeam {

template <typename Connection> class SqlPool {
  public:
    using Open = std::function<std::unique_ptr<Connection>(std::string& error)>;
    SqlPool(size_t size, Open open) : size_(size), open_(std::move(open)) {}

    class Lease {
      public:
        Lease(SqlPool* pool, std::unique_ptr<Connection> c) : pool_(pool), c_(std::move(c)) {}
        Lease(Lease&& other) noexcept : pool_(other.pool_), c_(std::move(other.c_)) {
            other.pool_ = nullptr;
        }
        Lease& operator=(Lease&&) = delete;
        ~Lease() {
            if (pool_)
                pool_->giveBack(std::move(c_));
        }
        explicit operator bool() const { return c_ != nullptr; }
        Connection& operator*() const { return *c_; }
        Connection* operator->() const { return c_.get(); }
        // The connection is not fit to use again.
        void discard() { c_.reset(); }

      private:
        SqlPool* pool_;
        std::unique_ptr<Connection> c_;
    };

    // A connection, or an empty lease with the reason in `error`.
    Lease take(std::string& error) {
        std::unique_lock<std::mutex> lock(mutex_);
        freed_.wait(lock, [&] { return !idle_.empty() || made_ < size_; });
        if (!idle_.empty()) {
            std::unique_ptr<Connection> c = std::move(idle_.back());
            idle_.pop_back();
            return Lease(this, std::move(c));
        }
        ++made_;
        lock.unlock();
        std::unique_ptr<Connection> c = open_(error);
        return Lease(this, std::move(c));
    }

    // Closes the idle connections: one was found broken (the database server
    // restarted, say), and those made before it are most likely broken too.
    void dropIdle() {
        std::vector<std::unique_ptr<Connection>> dropped;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            made_ -= idle_.size();
            dropped.swap(idle_);
        }
        freed_.notify_all();
    }

  private:
    void giveBack(std::unique_ptr<Connection> c) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (c)
                idle_.push_back(std::move(c));
            else
                --made_;
        }
        freed_.notify_one();
    }

    const size_t size_;
    Open open_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<Connection>> idle_;
    size_t made_ = 0;
};

} // namespace nearbeam
