#pragma once
// What the location server answers, whatever carries the requests: the download
// and upload of records, the map links' redirect, the demo's notify service and
// the health check, with the limits an operator sets on downloads, uploads and
// failed logins.

#include "server/http_message.h"
#include "server/rate_limit.h"
#include "server/reply_cache.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace nearbeam {

class KeepersApi;
class LocationService;
struct Upload;

// Requests allowed before a client is over its limit; 0 turns a limit off.
struct RouteLimits {
    unsigned uploadsPerUserPerHour = 0;
    unsigned downloadsPerAddressPerSecond = 0;
    unsigned failedLoginsPerAddressPerMinute = 0;
};

class Routes {
  public:
    // With newToken (a source of unguessable tokens), also the keepers' page and
    // its API (web/keepers_api.h).
    explicit Routes(LocationService& service, RouteLimits limits = {},
                    std::function<std::string()> newToken = {});
    ~Routes();
    Routes(const Routes&) = delete;
    Routes& operator=(const Routes&) = delete;

    HttpReply answer(const HttpRequest& request);
    // The reply when it needs no storage (a download kept from lately), else one
    // of status 0.
    HttpReply answerAtOnce(const HttpRequest& request);

  private:
    struct Request; // a request with its query read
    HttpReply mapRedirect(const Request& request);
    HttpReply notify(const Request& request);
    HttpReply health(const Request& request);
    HttpReply download(const Request& request);
    HttpReply upload(const Request& request);

    LocationService& service_;
    ReplyCache downloadReplies_;
    RateLimit uploads_;
    RateLimit downloads_;
    RateLimit failedLogins_;
    std::unique_ptr<KeepersApi> keepers_; // null: no page
};

} // namespace nearbeam
