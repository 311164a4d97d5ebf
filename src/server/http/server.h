#pragma once
// The location server's HTTP side, on Boost.Beast: plain HTTP or HTTPS, HTTP/1.0
// as the program speaks it and HTTP/1.1 keep-alive, on a pool of threads over
// epoll. It bounds what a client can take: the number of connections open at
// once (the oldest idle one closes for a new one; with none idle the rest wait in
// the listen backlog) and from one address, the time to send a request's head
// and its body, and the body's size (a body declared too large is refused before
// a byte of it is read). A request it cannot frame is answered 400 and its
// connection closed. A stop finishes the requests in flight.

#include "server/http/server_options.h"

#include <cstdint>
#include <memory>
#include <string>

namespace nearbeam {

class HttpServer {
  public:
    using Options = HttpServerOptions;
    using Handler = HttpHandler;
    using Logger = HttpLogger;

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
