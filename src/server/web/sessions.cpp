#include "server/web/sessions.h"

namespace nearbeam {

Sessions::Sessions(std::function<std::string()> newToken, Clock clock)
    : newToken_(std::move(newToken)),
      clock_(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); }) {}

WebSession Sessions::open(const std::string& user, std::string& token) {
    WebSession session{user, newToken_()};
    token = newToken_();
    const auto now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_.size() >= kMaxSessions) {
        for (auto it = open_.begin(); it != open_.end();)
            it = it->second.ends <= now ? open_.erase(it) : std::next(it);
        if (open_.size() >= kMaxSessions) { // none ended: the one ending first goes
            auto first = open_.begin();
            for (auto it = open_.begin(); it != open_.end(); ++it)
                if (it->second.ends < first->second.ends)
                    first = it;
            open_.erase(first);
        }
    }
    open_[token] = Entry{session, now + kLifetime};
    return session;
}

std::optional<WebSession> Sessions::find(const std::string& token) {
    if (token.empty())
        return std::nullopt;
    const auto now = clock_();
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(token);
    if (it == open_.end())
        return std::nullopt;
    if (it->second.ends <= now) {
        open_.erase(it);
        return std::nullopt;
    }
    return it->second.session;
}

void Sessions::close(const std::string& token) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(token);
}

bool sameToken(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

} // namespace nearbeam
