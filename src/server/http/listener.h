#pragma once
// Takes the connections while the server serves and keeps the list of those
// open: at most maxConnections at once (then the oldest idle one is closed for a
// new one, and with none idle the next waits in the listen backlog), and at most
// maxConnectionsPerAddress from one address but a trusted proxy's.

#include "server/http/session.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/error.hpp>

#include <optional>
#include <unordered_map>

namespace nearbeam::http_detail {

class Listener {
  public:
    Listener(ServerState& server, const SessionHooks& hooks);
    // Takes the address and port; false with a one-line reason.
    bool open(std::string& error);
    uint16_t port() const { return port_; }
    // Accepts the next connection when no accepted one waits for room. Under the
    // server's mutex.
    void arm();
    // Takes no more connections and closes the idle ones; false when none is
    // open. Under the server's mutex.
    bool close();
    // A connection has ended; true when it was the last. Under the server's mutex.
    bool ended(SessionBase* session);
    // A connection has become idle: one waiting for room may have its place.
    void becameIdle();

  private:
    struct Waiting {
        Socket socket;
        std::string peer;
        std::string local;
    };
    void accepted(boost::beast::error_code ec, Socket socket);
    // Starts the accepted connection if there is room, else closes the oldest
    // idle one to make room.
    void admit();
    SessionBase* oldestIdle() const;

    ServerState& server_;
    const SessionHooks& hooks_; // handed to each connection
    tcp::acceptor acceptor_;
    asio::steady_timer retry_;
    bool pending_ = false;
    std::optional<Waiting> waiting_; // accepted, not yet started for want of room
    std::atomic<bool> full_{false};  // one is waiting
    bool evicting_ = false;          // an idle one was told to close for it
    uint16_t port_ = 0;
    std::unordered_map<SessionBase*, std::weak_ptr<SessionBase>> sessions_;
    std::unordered_map<std::string, size_t> perAddress_;
};

} // namespace nearbeam::http_detail
