#include "server/http/listener.h"

#include "server/http/addresses.h"
#include "server/http/framing.h"
#include "server/http/server_state.h"

namespace nearbeam::http_detail {

namespace beast = boost::beast;

Listener::Listener(ServerState& server, const SessionHooks& hooks)
    : server_(server), hooks_(hooks), acceptor_(server.ioc), retry_(server.ioc) {}

bool Listener::open(std::string& error) {
    const HttpServerOptions& options = server_.options;
    beast::error_code ec;
    const auto address = asio::ip::make_address(options.address, ec);
    if (ec) {
        error = "not an address to listen on: " + options.address;
        return false;
    }
    const tcp::endpoint endpoint(address, options.port);
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor_.bind(endpoint, ec);
    if (ec == asio::error::address_in_use) {
        error = "port " + std::to_string(options.port) + " is in use on " + options.address +
                " (another server is listening there)";
        return false;
    }
    if (!ec)
        acceptor_.listen(options.backlog, ec);
    if (ec) {
        error = "cannot listen on " + endpointText(endpoint) + ": " + ec.message();
        return false;
    }
    port_ = acceptor_.local_endpoint(ec).port();
    return true;
}

void Listener::arm() {
    if (!server_.serving() || pending_ || waiting_)
        return;
    pending_ = true;
    acceptor_.async_accept(server_.nextContext(), [this](beast::error_code ec, Socket socket) {
        accepted(ec, std::move(socket));
    });
}

void Listener::accepted(beast::error_code ec, Socket socket) {
    std::lock_guard<std::mutex> lock(server_.mutex);
    pending_ = false;
    if (!server_.serving())
        return;
    if (ec) {
        // Out of descriptors or the like: try again shortly rather than spin.
        retry_.expires_after(std::chrono::milliseconds(50));
        retry_.async_wait([this](beast::error_code waited) {
            if (waited)
                return;
            std::lock_guard<std::mutex> again(server_.mutex);
            arm();
        });
        return;
    }
    beast::error_code ignored;
    std::string peer = plainAddress(socket.remote_endpoint(ignored).address().to_string());
    const HttpServerOptions& options = server_.options;
    const std::string key = limitKey(peer, options.ipv6PrefixBits);
    if (perAddress_[key] >= options.maxConnectionsPerAddress &&
        !options.trustedProxies.trusts(peer)) {
        if (server_.logger)
            server_.logger(AccessRecord{std::chrono::system_clock::now(), peer, "", "", 0, 0,
                                        std::chrono::microseconds(0),
                                        "too many connections from this address"});
        socket.close(ignored);
        arm();
        return;
    }
    ++perAddress_[key];
    std::string local = endpointText(socket.local_endpoint(ignored));
    waiting_.emplace(Waiting{std::move(socket), std::move(peer), std::move(local)});
    full_ = true;
    admit();
}

void Listener::admit() {
    if (!waiting_)
        return;
    if (sessions_.size() >= server_.options.maxConnections) {
        if (evicting_)
            return;
        if (SessionBase* oldest = oldestIdle()) {
            evicting_ = true;
            oldest->closeIfIdle(sessions_[oldest]);
        }
        return;
    }
    Waiting next = std::move(*waiting_);
    waiting_.reset();
    full_ = evicting_ = false;
    // The session goes to its thread holding the only strong reference, so that
    // no end of it ever comes under the server's lock.
    auto session = makeSession(server_, hooks_, std::move(next.socket), std::move(next.peer),
                               std::move(next.local));
    sessions_.emplace(session.get(), session);
    auto executor = session->executor();
    asio::post(executor, [session = std::move(session)] { session->go(); });
    arm();
}

SessionBase* Listener::oldestIdle() const {
    SessionBase* oldest = nullptr;
    for (const auto& [session, weak] : sessions_) {
        const auto idle = session->idleSince.load();
        if (idle != 0 && (!oldest || idle < oldest->idleSince))
            oldest = session;
    }
    return oldest;
}

void Listener::becameIdle() {
    if (!full_)
        return;
    std::lock_guard<std::mutex> lock(server_.mutex);
    evicting_ = false; // the one told may have had a request meanwhile
    admit();
}

bool Listener::close() {
    beast::error_code ignored;
    acceptor_.close(ignored);
    retry_.cancel();
    if (waiting_) {
        --perAddress_[limitKey(waiting_->peer, server_.options.ipv6PrefixBits)];
        waiting_.reset();
    }
    for (auto& [session, weak] : sessions_)
        session->closeIfIdle(weak);
    return !sessions_.empty();
}

bool Listener::ended(SessionBase* session) {
    sessions_.erase(session);
    auto count = perAddress_.find(limitKey(session->peer, server_.options.ipv6PrefixBits));
    if (count != perAddress_.end() && --count->second == 0)
        perAddress_.erase(count);
    if (server_.serving())
        admit();
    if (server_.serving())
        arm();
    return sessions_.empty();
}

} // namespace nearbeam::http_detail
