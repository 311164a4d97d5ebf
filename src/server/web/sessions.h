#pragma once
// The keepers' page's sessions: a random token in a cookie names one, with the
// user it was opened for and a second token the page sends with every change
// (a cookie alone, which the browser adds to any request, never changes
// anything). A session ends after 8 hours or at sign-out. Kept in this process's
// memory: a restart signs everyone out.

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace nearbeam {

struct WebSession {
    std::string user;
    std::string csrf; // the token every change must carry
};

class Sessions {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::hours kLifetime{8};
    static constexpr size_t kMaxSessions = 10000;

    // newToken makes the tokens (unguessable); clock defaults to the steady one.
    explicit Sessions(std::function<std::string()> newToken, Clock clock = {});

    // Opens a session for the user; its cookie token goes in `token`.
    WebSession open(const std::string& user, std::string& token);
    // The session of a cookie token, while it lasts.
    std::optional<WebSession> find(const std::string& token);
    void close(const std::string& token);

  private:
    struct Entry {
        WebSession session;
        std::chrono::steady_clock::time_point ends;
    };
    std::function<std::string()> newToken_;
    Clock clock_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> open_;
};

// Whether two tokens are the same, taking as long whatever they hold.
bool sameToken(const std::string& a, const std::string& b);

} // namespace nearbeam
