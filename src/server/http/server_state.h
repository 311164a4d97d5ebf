#pragma once
// The HTTP server's shared state: its options and handlers, the state of a stop,
// the I/O contexts, the workers and the TLS context. Its connections, listener
// and shutdown all work on it; the server wires them together.

#include "server/http/log_throttle.h"
#include "server/http/server_options.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace nearbeam::http_detail {

struct ServerState {
    // Serving: taking connections and answering. Stopping: a stop has begun, no
    // new connections, the open ones finish. Closed: the server is gone; a
    // connection still unwinding touches nothing of it.
    enum class State { Serving, Stopping, Closed };

    HttpServerOptions options;
    HttpHandler handler;
    HttpHandler atOnce;
    HttpLogger logger;
    // For the lines a client causes at will: aborted requests, failed handshakes.
    LogThrottle troubleLog{std::chrono::minutes(1)};
    // Declared before the I/O objects: a connection that outlives them (a forced
    // stop) still finds these when it ends.
    std::mutex mutex; // guards the state's changes, the listener and the shutdown
    std::atomic<State> state{State::Serving};

    // One I/O context per processor, each run by one thread: a connection lives
    // on one of them, so its handlers never meet another thread. The first also
    // listens. A request whose answer waits for the storage or a login check is
    // answered on the workers, so that it holds up no other connection.
    boost::asio::io_context ioc;
    std::vector<std::unique_ptr<boost::asio::io_context>> more;
    std::vector<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>>
        keepRunning;
    size_t next = 0; // the context of the next connection
    std::optional<boost::asio::thread_pool> workers;
    std::optional<boost::asio::ssl::context> tls;

    ServerState(HttpServerOptions o, HttpHandler h, HttpHandler quick, HttpLogger l)
        : options(std::move(o)), handler(std::move(h)), atOnce(std::move(quick)),
          logger(std::move(l)) {
        for (unsigned i = 1; i < std::max(1u, std::thread::hardware_concurrency()); ++i) {
            more.push_back(std::make_unique<boost::asio::io_context>(1));
            keepRunning.push_back(boost::asio::make_work_guard(*more.back()));
        }
    }

    boost::asio::io_context& nextContext() {
        const size_t at = next++ % (more.size() + 1);
        return at == 0 ? ioc : *more[at - 1];
    }

    bool serving() const { return state == State::Serving; }
};

} // namespace nearbeam::http_detail
