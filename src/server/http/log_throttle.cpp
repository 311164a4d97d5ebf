#include "server/http/log_throttle.h"

#include <algorithm>

namespace nearbeam {

bool LogThrottle::allow(const std::string& key, Clock::time_point now, uint64_t& heldBack) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (entries_.size() >= pruneAt_) {
        // An address quiet for a period has nothing held back worth telling.
        for (auto it = entries_.begin(); it != entries_.end();)
            it = now - it->second.written >= period_ ? entries_.erase(it) : std::next(it);
        pruneAt_ = std::max<size_t>(4096, entries_.size() * 2);
    }
    auto [it, made] = entries_.try_emplace(key, Entry{now, 0});
    Entry& entry = it->second;
    if (!made && now - entry.written < period_) {
        ++entry.heldBack;
        return false;
    }
    heldBack = made ? 0 : entry.heldBack;
    entry = Entry{now, 0};
    return true;
}

} // namespace nearbeam
