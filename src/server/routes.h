#pragma once
// What the location server answers, whatever carries the requests: the download
// and upload of records, the map links' redirect, the demo's notify service and
// the health check, with the limits an operator sets on downloads, uploads and
// failed logins.

#include "server/rate_limit.h"
#include "server/reply_cache.h"

#include <memory>
#include <string>
#include <string_view>

namespace nearbeam {

class LocationService;
struct Upload;

struct HttpRequest {
    std::string method;
    std::string target;
    std::string body;
    std::string host; // the Host header, or the address the request came in on
    std::string peer; // the client's address
    // What the limits count the client as (an IPv6 client by its prefix); empty:
    // the address itself.
    std::string peerKey = {};
};

struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    std::string location = {}; // a redirect's target
    std::string allow = {};    // a 405's methods that the target takes
    // A kept reply's body, shared by every request that gets it rather than
    // copied for each; when set, it is the body and `body` stays empty.
    std::shared_ptr<const std::string> sharedBody = {};

    std::string_view content() const { return sharedBody ? *sharedBody : body; }
};

// Requests allowed before a client is over its limit; 0 turns a limit off.
struct RouteLimits {
    unsigned uploadsPerUserPerHour = 0;
    unsigned downloadsPerAddressPerSecond = 0;
    unsigned failedLoginsPerAddressPerMinute = 0;
};

class Routes {
  public:
    explicit Routes(LocationService& service, RouteLimits limits = {});
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
};

} // namespace nearbeam
