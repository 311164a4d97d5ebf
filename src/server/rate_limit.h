#pragma once
// Token buckets, one per key (a user name, a client address): each holds up to
// `limit` tokens and regains them evenly over `period`. A request takes one; with
// none left it is over its limit. A limit of 0 lets everything through.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace nearbeam {

class RateLimit {
  public:
    using Clock = std::chrono::steady_clock;

    RateLimit(unsigned limit, Clock::duration period);
    RateLimit(const RateLimit&) = delete;
    RateLimit& operator=(const RateLimit&) = delete;

    bool enabled() const { return limit_ != 0; }
    // Takes a token of key's bucket; false (nothing taken) when it is empty.
    bool take(const std::string& key, Clock::time_point now = Clock::now());
    // Gives a token back (a request that turned out not to count).
    void give(const std::string& key, Clock::time_point now = Clock::now());
    // Whether key's bucket is empty, without taking anything.
    bool exhausted(const std::string& key, Clock::time_point now = Clock::now());

  private:
    struct Bucket {
        double tokens;
        Clock::time_point at;
    };
    Bucket& refill(const std::string& key, Clock::time_point now);
    void forgetFull(Clock::time_point now);

    const double limit_;
    const double perSecond_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
    size_t pruneAt_ = 4096;
};

} // namespace nearbeam
