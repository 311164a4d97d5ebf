#pragma once
// A connection to the HTTP server, plain or TLS, as the listener keeps it: where it
// comes from, since when it waits idle for a request, and how to close it when it
// does. The session itself, with its timer, lives in session.cpp.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace nearbeam::http_detail {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using SteadyClock = std::chrono::steady_clock;
// A connection's socket and timer run on its own context, whose executor they
// name by its type rather than erase it: no handler pays for a polymorphic one.
using Executor = asio::io_context::executor_type;
using Socket = asio::basic_stream_socket<tcp, Executor>;

struct ServerState;
struct SessionBase;

// What a connection tells the server of itself, set up by the server: that it
// waits idle for a request (one waiting for room may have its place), and that
// it has ended, from its destructor and so under no lock of the server's.
struct SessionHooks {
    std::function<void()> becameIdle;
    std::function<void(SessionBase*)> ended;
};

struct SessionBase {
    explicit SessionBase(std::string address) : peer(std::move(address)) {}
    virtual ~SessionBase() = default;
    // Begins the connection's work (the TLS handshake, then the first request),
    // on its own thread.
    virtual void go() = 0;
    virtual Executor executor() = 0;
    // Closes the connection, on its own thread, if it is then waiting for a
    // request. Keeps no hold on it here: its end never comes under the caller's
    // lock.
    virtual void closeIfIdle(std::weak_ptr<SessionBase> self) = 0;

    const std::string peer; // the address the connection comes from
    // Since when (steady clock ticks) it waits for a request with nothing of one
    // come; 0 while it has one.
    std::atomic<SteadyClock::rep> idleSince{0};
};

// A connection accepted on `socket`, over TLS when the server has a certificate;
// local is the server's own end as text, the host of a request that names none.
std::shared_ptr<SessionBase> makeSession(ServerState& server, const SessionHooks& hooks,
                                         Socket socket, std::string peer, std::string local);

} // namespace nearbeam::http_detail
