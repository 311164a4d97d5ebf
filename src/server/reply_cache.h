#pragma once
// Download replies made lately, so that an access point many clients ask about is
// not looked up for each of them. A reply is kept a second at most (another server
// process on the same database may change the records meanwhile), and every reply
// is dropped once an upload through this process is stored. Safe to use from many
// threads at once.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace nearbeam {

class ReplyCache {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ReplyCache(size_t capacity = 65536,
                        Clock::duration lifetime = std::chrono::seconds(1));

    // Counts the records' changes: a reply read before a change is not kept after it.
    uint64_t generation();
    // The reply kept for key, shared (it is never changed once kept), or null.
    std::shared_ptr<const std::string> find(const std::string& key,
                                            Clock::time_point now = Clock::now());
    // Keeps a reply read from the records as they were at `generation`.
    void put(const std::string& key, std::string reply, uint64_t generation,
             Clock::time_point now = Clock::now());
    // The records have changed: every reply kept goes.
    void changed();

  private:
    struct Entry {
        std::shared_ptr<const std::string> reply;
        Clock::time_point made;
    };
    const size_t capacity_;
    const Clock::duration lifetime_;
    std::mutex mutex_;
    uint64_t generation_ = 0;
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace nearbeam
