#pragma once
// Ends the serving, on a signal or stop(): the listener closes, idle connections
// close, the requests in flight get stopGrace to end, then the threads stop.

#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

namespace nearbeam::http_detail {

struct ServerState;
class Listener;

class Shutdown {
  public:
    Shutdown(ServerState& server, Listener& listener);
    // SIGTERM and SIGINT begin a stop.
    void onSignals();
    void begin();
    // The last connection has ended. Under the server's mutex.
    void drained() { grace_.cancel(); }

  private:
    ServerState& server_;
    Listener& listener_;
    boost::asio::signal_set signals_;
    boost::asio::steady_timer grace_;
};

} // namespace nearbeam::http_detail
