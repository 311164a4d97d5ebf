#pragma once
// The keepers' page and the JSON API under /api/ that it (or a script) calls:
//   POST /api/session               user, password (a form): signs in
//   GET  /api/session               who is signed in, and the session's token
//   POST /api/session/end           signs out
//   GET  /api/buildings             buildings with per-floor and per-location counts
//   GET  /api/uploads?page=N        the uploads, newest first, 20 a page
//   POST /api/uploads/ID/withdraw   (and /restore)  keepers only
//   POST /api/users/NAME/block      (and /unblock)  keepers only
// Every change needs the session's cookie and its token in X-CSRF-Token. Every
// reply carries a Content-Security-Policy that allows only the server itself.

#include "server/http_message.h"
#include "server/rate_limit.h"
#include "server/reply_cache.h"
#include "server/storage/history.h"
#include "server/web/sessions.h"

#include <functional>
#include <string>
#include <string_view>

namespace nearbeam {

class LocationService;
class Transaction;

class KeepersApi {
  public:
    // Sign-ins count their failures in failedLogins (the uploads' limit); a change
    // of the records empties `downloads`.
    KeepersApi(LocationService& service, RateLimit& failedLogins, ReplyCache& downloads,
               std::function<std::string()> newToken, Sessions::Clock clock = {});

    // Whether the path is the page's (/ and its files) or the API's.
    static bool serves(std::string_view path);
    HttpReply answer(const HttpRequest& request);

  private:
    struct Call; // a request with its path split and its session found
    HttpReply route(Call& call);
    HttpReply signIn(const Call& call);
    HttpReply session(const Call& call);
    HttpReply signOut(const Call& call);
    HttpReply buildings(const Call& call);
    HttpReply uploads(const Call& call);
    HttpReply changeUpload(const Call& call, const std::string& id, bool withdraw);
    HttpReply changeUser(const Call& call, const std::string& name, bool block);
    // A keeper's change of the records in one transaction: refused (403) to
    // anyone else; once stored, the downloads are renewed and `answer` is the
    // reply's JSON.
    HttpReply keeperChange(const Call& call, const std::string& refused, const std::string& subject,
                           const std::function<HistoryChange(Transaction&)>& change,
                           const std::function<std::string()>& answer);

    LocationService& service_;
    RateLimit& failedLogins_;
    ReplyCache& downloads_;
    Sessions sessions_;
};

} // namespace nearbeam
