#pragma once
// The location server's HTTP side, on Boost.Beast: plain HTTP or HTTPS, HTTP/1.0
// as the program speaks it and HTTP/1.1 keep-alive, on a pool of threads over
// epoll. It bounds what a client can take: the number of connections open at
// once (the oldest idle one closes for a new one; with none idle the rest wait in
// the listen backlog) and from one address, the time to send a request's head
// and its body, and the body's size (a body declared too large is refused before
// a byte of it is read). A request it cannot frame is answered 400 and its
// connection closed. A stop finishes the requests in flight.

#include "server/http/access_log.h"
#include "server/http/trusted_proxies.h"
#include "server/routes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

class HttpServer {
  public:
    struct Options {
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
    using Handler = std::function<HttpReply(const HttpRequest&)>;
    using Logger = std::function<void(const AccessRecord&)>;

    // handler answers every request, on a pool of workers (it may wait for the
    // storage); atOnce, when given, first on the connection's own thread: a
    // reply it can give without waiting, or one of status 0 when it cannot.
    HttpServer(Options options, Handler handler, Logger logger = {}, Handler atOnce = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Loads the certificate and takes the port. False with a one-line reason.
    bool open(std::string& error);
    uint16_t port() const;
    // Serves on the pool of threads until stop() (or SIGTERM/SIGINT when
    // stopOnSignals was asked) and every request in flight has ended.
    void run(bool stopOnSignals);
    // Serves in the background; stop() or the destructor ends it.
    void start();
    // Stops taking connections, closes idle ones, lets the rest finish. Safe from
    // any thread, and more than once.
    void stop();

    struct Impl; // the Beast side, out of the header

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace nearbeam
