#include "server/reply_cache.h"

namespace nearbeam {

ReplyCache::ReplyCache(size_t capacity, Clock::duration lifetime)
    : capacity_(capacity), lifetime_(lifetime) {}

uint64_t ReplyCache::generation() {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

std::shared_ptr<const std::string> ReplyCache::find(const std::string& key, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end() || now - it->second.made >= lifetime_)
        return nullptr;
    return it->second.reply;
}

void ReplyCache::put(const std::string& key, std::string reply, uint64_t generation,
                     Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (generation != generation_)
        return;
    if (entries_.size() >= capacity_) {
        for (auto it = entries_.begin(); it != entries_.end();)
            it = now - it->second.made >= lifetime_ ? entries_.erase(it) : std::next(it);
        if (entries_.size() >= capacity_)
            entries_.clear();
    }
    entries_[key] = Entry{std::make_shared<const std::string>(std::move(reply)), now};
}

void ReplyCache::changed() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    entries_.clear();
}

} // namespace nearbeam
