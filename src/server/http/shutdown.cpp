#include "server/http/shutdown.h"

#include "server/http/listener.h"
#include "server/http/server_state.h"

namespace nearbeam::http_detail {

namespace beast = boost::beast;

Shutdown::Shutdown(ServerState& server, Listener& listener)
    : server_(server), listener_(listener), signals_(server.ioc), grace_(server.ioc) {}

void Shutdown::onSignals() {
    signals_.add(SIGINT);
    signals_.add(SIGTERM);
    signals_.async_wait([this](beast::error_code ec, int) {
        if (!ec)
            begin();
    });
}

void Shutdown::begin() {
    std::lock_guard<std::mutex> lock(server_.mutex);
    if (!server_.serving())
        return;
    server_.state = ServerState::State::Stopping;
    server_.keepRunning.clear(); // each context ends once its connections have
    beast::error_code ignored;
    signals_.cancel(ignored);
    if (listener_.close()) {
        // The requests in flight get a while to end; then the threads stop.
        grace_.expires_after(server_.options.stopGrace);
        grace_.async_wait([this](beast::error_code ec) {
            if (!ec)
                server_.ioc.stop();
        });
    }
}

} // namespace nearbeam::http_detail
