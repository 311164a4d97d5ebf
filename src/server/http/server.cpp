#include "server/http/server.h"

#include "server/http/listener.h"
#include "server/http/server_state.h"
#include "server/http/shutdown.h"
#include "server/http/tls_context.h"

namespace nearbeam {

namespace asio = boost::asio;
using http_detail::ServerState;

// The state and what works on it, wired together: the listener hands each
// connection the hooks by which it tells of itself, the shutdown closes the
// listener.
struct HttpServer::Impl {
    // Before the state: a connection that ends as the state's I/O contexts go (a
    // forced stop) still finds them.
    http_detail::SessionHooks hooks;
    ServerState shared;
    http_detail::Listener listener{shared, hooks};
    http_detail::Shutdown shutdown{shared, listener};
    std::vector<std::thread> threads;
    std::thread background;

    Impl(Options options, Handler handler, Handler atOnce, Logger logger)
        : shared(std::move(options), std::move(handler), std::move(atOnce), std::move(logger)) {
        hooks.becameIdle = [this] { listener.becameIdle(); };
        hooks.ended = [this](http_detail::SessionBase* session) { ended(session); };
    }

    // A connection has ended.
    void ended(http_detail::SessionBase* session) {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (shared.state == ServerState::State::Closed)
            return;
        if (listener.ended(session) && shared.state == ServerState::State::Stopping)
            shutdown.drained();
    }
};

HttpServer::HttpServer(Options options, Handler handler, Logger logger, Handler atOnce)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler), std::move(atOnce),
                                   std::move(logger))) {}

HttpServer::~HttpServer() {
    stop();
    if (impl_->background.joinable())
        impl_->background.join();
    std::lock_guard<std::mutex> lock(impl_->shared.mutex);
    impl_->shared.state = ServerState::State::Closed;
}

bool HttpServer::open(std::string& error) {
    ServerState& s = impl_->shared;
    if (s.options.tlsCert.empty() != s.options.tlsKey.empty()) {
        error = "--tls-cert and --tls-key go together";
        return false;
    }
    if (!s.options.tlsCert.empty()) {
        s.tls.emplace(asio::ssl::context::tls_server);
        if (!loadTlsCertificate(*s.tls, s.options.tlsCert, s.options.tlsKey, error))
            return false;
    }
    return impl_->listener.open(error);
}

uint16_t HttpServer::port() const {
    return impl_->listener.port();
}

void HttpServer::run(bool stopOnSignals) {
    Impl& impl = *impl_;
    ServerState& s = impl.shared;
    unsigned workers = s.options.threads;
    if (workers == 0)
        workers = std::max(4u, 2 * std::thread::hardware_concurrency());
    s.workers.emplace(workers);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (stopOnSignals)
            impl.shutdown.onSignals();
        impl.listener.arm();
    }
    for (auto& context : s.more)
        impl.threads.emplace_back([&context] { context->run(); });
    s.ioc.run();
    for (auto& thread : impl.threads)
        thread.join();
    impl.threads.clear();
    s.workers->join();
}

void HttpServer::start() {
    impl_->background = std::thread([this] { run(false); });
}

void HttpServer::stop() {
    Impl& impl = *impl_;
    asio::post(impl.shared.ioc, [&impl] { impl.shutdown.begin(); });
}

} // namespace nearbeam
