#pragma once
// What the HTTP server is told when it is made: its options, the handler that
// answers requests and the logger of each one. Apart from the server itself, so
// that its shared state holds them without knowing the server.

#include "server/http/access_log.h"
#include "server/http/trusted_proxies.h"
#include "server/routes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace nearbeam {

struct HttpServerOptions {
    std::string address = "127.0.0.1";
    uint16_t port = 0;    // 0: a free port
    unsigned threads = 0; // workers; 0: twice the processors, at least 4
    size_t maxConnections = 1024;
    size_t maxConnectionsPerAddress = 64;
    unsigned ipv6PrefixBits = 64; // an IPv6 address counts by its prefix
    TrustedProxies trustedProxies;
    size_t maxBody = 1024 * 1024;
    size_t maxHead = 16 * 1024;
    int backlog = 4096;
    std::chrono::milliseconds headTimeout{10000};
    std::chrono::milliseconds bodyTimeout{30000};
    // How long a stop waits for the requests in flight.
    std::chrono::milliseconds stopGrace{10000};
    std::string tlsCert; // both set: HTTPS
    std::string tlsKey;
};
using HttpHandler = std::function<HttpReply(const HttpRequest&)>;
using HttpLogger = std::function<void(const AccessRecord&)>;

} // namespace nearbeam
