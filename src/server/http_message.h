#pragma once
// A request as the location server's routes take it, and their reply, whatever
// carries them (the HTTP server, the tests' loopback server).

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nearbeam {

struct HttpRequest {
    std::string method;
    std::string target;
    std::string body;
    std::string host; // the Host header, or the address the request came in on
    std::string peer; // the client's address
    // What the limits count the client as (an IPv6 client by its prefix); empty:
    // the address itself.
    std::string peerKey = {};
    // For the keepers' page: the Cookie header, the X-CSRF-Token header, and
    // whether it came over HTTPS.
    std::string cookie = {};
    std::string csrfToken = {};
    bool tls = false;
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
    // Further header fields (the keepers' page: its security policy, cookies).
    std::vector<std::pair<std::string, std::string>> fields = {};

    std::string_view content() const { return sharedBody ? *sharedBody : body; }
};

} // namespace nearbeam
