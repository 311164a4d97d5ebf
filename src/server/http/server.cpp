#include "server/http/server.h"

#include "server/http/server_impl.h"
#include "server/http/tls_context.h"

namespace nearbeam {

namespace asio = boost::asio;

void HttpServer::Impl::ended(http_detail::SessionBase* session) {
    std::lock_guard<std::mutex> lock(mutex);
    if (state == State::Closed)
        return;
    if (listener.ended(session) && state == State::Stopping)
        shutdown.drained();
}

HttpServer::HttpServer(Options options, Handler handler, Logger logger, Handler atOnce)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler), std::move(atOnce),
                                   std::move(logger))) {}

HttpServer::~HttpServer() {
    stop();
    if (impl_->background.joinable())
        impl_->background.join();
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->state = Impl::State::Closed;
}

bool HttpServer::open(std::string& error) {
    Impl& s = *impl_;
    if (s.options.tlsCert.empty() != s.options.tlsKey.empty()) {
        error = "--tls-cert and --tls-key go together";
        return false;
    }
    if (!s.options.tlsCert.empty()) {
        s.tls.emplace(asio::ssl::context::tls_server);
        if (!loadTlsCertificate(*s.tls, s.options.tlsCert, s.options.tlsKey, error))
            return false;
    }
    return s.listener.open(error);
}

uint16_t HttpServer::port() const {
    return impl_->listener.port();
}

void HttpServer::run(bool stopOnSignals) {
    Impl& s = *impl_;
    unsigned workers = s.options.threads;
    if (workers == 0)
        workers = std::max(4u, 2 * std::thread::hardware_concurrency());
    s.workers.emplace(workers);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (stopOnSignals)
            s.shutdown.onSignals();
        s.listener.arm();
    }
    for (auto& context : s.more)
        s.threads.emplace_back([&context] { context->run(); });
    s.ioc.run();
    for (auto& thread : s.threads)
        thread.join();
    s.threads.clear();
    s.workers->join();
}

void HttpServer::start() {
    impl_->background = std::thread([this] { run(false); });
}

void HttpServer::stop() {
    Impl& s = *impl_;
    asio::post(s.ioc, [&s] { s.shutdown.begin(); });
}

} // namespace nearbeam
