#include "server/rate_limit.h"

#include <algorithm>

namespace nearbeam {

RateLimit::RateLimit(unsigned limit, Clock::duration period)
    : limit_(limit), perSecond_(limit / std::chrono::duration<double>(period).count()) {}

RateLimit::Bucket& RateLimit::refill(const std::string& key, Clock::time_point now) {
    if (buckets_.size() >= pruneAt_)
        forgetFull(now);
    auto [it, made] = buckets_.try_emplace(key, Bucket{limit_, now});
    Bucket& bucket = it->second;
    if (!made && now > bucket.at) {
        const double seconds = std::chrono::duration<double>(now - bucket.at).count();
        bucket.tokens = std::min(limit_, bucket.tokens + seconds * perSecond_);
        bucket.at = now;
    }
    return bucket;
}

// A full bucket is the same as none: forgetting those keeps the table as small as
// the set of clients that are actually busy.
void RateLimit::forgetFull(Clock::time_point now) {
    for (auto it = buckets_.begin(); it != buckets_.end();) {
        const double seconds = std::chrono::duration<double>(now - it->second.at).count();
        if (it->second.tokens + seconds * perSecond_ >= limit_)
            it = buckets_.erase(it);
        else
            ++it;
    }
    pruneAt_ = std::max<size_t>(4096, buckets_.size() * 2);
}

bool RateLimit::take(const std::string& key, Clock::time_point now) {
    if (!enabled())
        return true;
    std::lock_guard<std::mutex> lock(mutex_);
    Bucket& bucket = refill(key, now);
    if (bucket.tokens < 1)
        return false;
    bucket.tokens -= 1;
    return true;
}

void RateLimit::give(const std::string& key, Clock::time_point now) {
    if (!enabled())
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    Bucket& bucket = refill(key, now);
    bucket.tokens = std::min(limit_, bucket.tokens + 1);
}

bool RateLimit::exhausted(const std::string& key, Clock::time_point now) {
    if (!enabled())
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    return refill(key, now).tokens < 1;
}

} // namespace nearbeam
