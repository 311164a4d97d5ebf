#include "server/http_server.h"

#include "server/tls_context.h"

#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace nearbeam {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using SteadyClock = std::chrono::steady_clock;

// How long a closing connection may take to say goodbye, and how much of an
// unread body it may still swallow meanwhile so the client sees the reply
// rather than a reset.
constexpr std::chrono::seconds kLingerTime{2};
constexpr size_t kLingerBytes = 1024 * 1024;

struct SessionBase {
    virtual ~SessionBase() = default;
    // Closes the connection if it is waiting for a request (a stop is coming).
    virtual void stopIfIdle() = 0;
};

} // namespace

struct HttpServer::Impl {
    Options options;
    Handler handler;
    Logger logger;
    // Declared before the I/O objects: a session that outlives them (a forced
    // stop) still finds these when it ends.
    std::mutex mutex; // guards the acceptor, the timers and what follows
    std::unordered_map<SessionBase*, std::weak_ptr<SessionBase>> sessions;
    bool acceptPending = false;
    bool stopped = false;
    bool tornDown = false;
    std::atomic<bool> stopping{false};

    asio::io_context ioc;
    std::optional<asio::ssl::context> tls;
    tcp::acceptor acceptor{ioc};
    asio::signal_set signals{ioc};
    asio::steady_timer graceTimer{ioc};
    asio::steady_timer acceptRetry{ioc};
    std::vector<std::thread> threads;
    std::thread background;
    uint16_t port = 0;

    Impl(Options o, Handler h, Logger l)
        : options(std::move(o)), handler(std::move(h)), logger(std::move(l)) {}

    void armAccept();
    void accepted(beast::error_code ec, tcp::socket socket);
    template <class Stream, class... Args> std::shared_ptr<SessionBase> launch(Args&&... args);
    void removed(SessionBase* session);
    void beginStop();
};

namespace {

template <class Stream>
class Session : public SessionBase, public std::enable_shared_from_this<Session<Stream>> {
  public:
    static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

    template <class... Args>
    Session(HttpServer::Impl& server, std::string peer, std::string local, Args&&... args)
        : server_(server), peer_(std::move(peer)), local_(std::move(local)),
          stream_(std::forward<Args>(args)...) {}
    ~Session() override { server_.removed(this); }

    void go() {
        if constexpr (kTls) {
            lowest().expires_after(server_.options.headTimeout);
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (!ec)
                                            self->readHead();
                                    });
        } else {
            readHead();
        }
    }

    void stopIfIdle() override {
        asio::post(stream_.get_executor(), [self = this->shared_from_this()] {
            if (self->idle_)
                self->lowest().close();
        });
    }

    auto executor() { return stream_.get_executor(); }

  private:
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    void readHead() {
        if (server_.stopping) {
            lowest().close();
            return;
        }
        idle_ = true;
        parser_.emplace();
        parser_->header_limit(static_cast<uint32_t>(server_.options.maxHead));
        parser_->body_limit(server_.options.maxBody);
        lowest().expires_after(server_.options.headTimeout);
        http::async_read_header(
            stream_, buffer_, *parser_,
            [self = this->shared_from_this()](beast::error_code ec, size_t) { self->onHead(ec); });
    }

    void onHead(beast::error_code ec) {
        idle_ = false;
        started_ = SteadyClock::now();
        if (ec == http::error::body_limit) {
            // Refused on its head: a body declared too large is never read.
            reply(parser_->get(), HttpReply{413, "text/plain", "Too large.\n"}, false);
            return;
        }
        if (ec) {
            // A request that is not HTTP gets a word; a client that went away,
            // or took too long, does not.
            const auto& httpErrors = make_error_code(http::error::end_of_stream).category();
            if (ec.category() == httpErrors && ec != http::error::end_of_stream &&
                ec != http::error::partial_message)
                reply({}, HttpReply{400, "text/plain", "Bad request.\n"}, false);
            return;
        }
        if (parser_->is_done()) {
            handle();
            return;
        }
        lowest().expires_after(server_.options.bodyTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, size_t) {
                             if (ec == http::error::body_limit)
                                 self->reply(self->parser_->get(),
                                             HttpReply{413, "text/plain", "Too large.\n"}, false);
                             else if (!ec)
                                 self->handle();
                         });
    }

    void handle() {
        auto& message = parser_->get();
        HttpRequest request;
        request.method = std::string(message.method_string());
        request.target = std::string(message.target());
        request.peer = peer_;
        auto host = message.find(http::field::host);
        request.host = host != message.end() ? std::string(host->value()) : local_;
        request.body = std::move(message.body());
        HttpReply answer;
        try {
            answer = server_.handler(request);
        } catch (const std::exception&) {
            answer = HttpReply{500, "text/plain", "Internal error.\n"};
        }
        reply(message, std::move(answer), message.keep_alive());
    }

    void reply(const http::request<http::string_body>& request, HttpReply answer, bool keepAlive) {
        method_ = std::string(request.method_string());
        target_ = std::string(request.target());
        response_ = {};
        response_.version(request.version() == 10 ? 10 : 11);
        response_.result(static_cast<unsigned>(answer.status));
        response_.set(http::field::content_type, answer.contentType);
        // A browser shown a reply takes it as the type it is said to be: a text
        // that echoes what it was asked is never read as a page.
        response_.set("X-Content-Type-Options", "nosniff");
        if (!answer.location.empty())
            response_.set(http::field::location, answer.location);
        if (answer.status == 429)
            response_.set(http::field::retry_after, "1");
        if constexpr (kTls) // browsers that met HTTPS here keep to it for a year
            response_.set(http::field::strict_transport_security, "max-age=31536000");
        response_.body() = std::move(answer.body);
        response_.keep_alive(keepAlive && !server_.stopping);
        response_.prepare_payload();
        lowest().expires_after(server_.options.bodyTimeout);
        http::async_write(stream_, response_,
                          [self = this->shared_from_this()](beast::error_code ec, size_t) {
                              self->onWritten(ec);
                          });
    }

    void onWritten(beast::error_code ec) {
        if (server_.logger) {
            AccessRecord record{std::chrono::system_clock::now(),
                                peer_,
                                method_,
                                target_,
                                static_cast<int>(response_.result_int()),
                                response_.body().size(),
                                std::chrono::duration_cast<std::chrono::microseconds>(
                                    SteadyClock::now() - started_)};
            server_.logger(record);
        }
        if (ec)
            return;
        if (response_.keep_alive()) {
            readHead();
            return;
        }
        finish();
    }

    // Says goodbye without a reset: TLS closes its session; plain TCP ends its
    // side and swallows what the client still sends, for a short while.
    void finish() {
        lowest().expires_after(kLingerTime);
        if constexpr (kTls) {
            stream_.async_shutdown(
                [self = this->shared_from_this()](beast::error_code) { self->lowest().close(); });
        } else {
            beast::error_code ignored;
            lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
            drain();
        }
    }

    void drain() {
        lowest().async_read_some(asio::buffer(sink_),
                                 [self = this->shared_from_this()](beast::error_code ec, size_t n) {
                                     self->drained_ += n;
                                     if (ec || self->drained_ > kLingerBytes)
                                         self->lowest().close();
                                     else
                                         self->drain();
                                 });
    }

    HttpServer::Impl& server_;
    std::string peer_;
    std::string local_;
    Stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    std::string method_;
    std::string target_;
    SteadyClock::time_point started_;
    bool idle_ = false;
    char sink_[16384];
    size_t drained_ = 0;
};

std::string endpointText(const tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    if (address.is_v6())
        return "[" + address.to_string() + "]:" + std::to_string(endpoint.port());
    return address.to_string() + ":" + std::to_string(endpoint.port());
}

} // namespace

void HttpServer::Impl::armAccept() {
    if (stopped || acceptPending || sessions.size() >= options.maxConnections)
        return; // the next connection waits in the backlog until one closes
    acceptPending = true;
    acceptor.async_accept(asio::make_strand(ioc), [this](beast::error_code ec, tcp::socket socket) {
        accepted(ec, std::move(socket));
    });
}

void HttpServer::Impl::accepted(beast::error_code ec, tcp::socket socket) {
    std::shared_ptr<SessionBase> session;
    std::lock_guard<std::mutex> lock(mutex);
    acceptPending = false;
    if (stopped)
        return;
    if (ec) {
        // Out of descriptors or the like: try again shortly rather than spin.
        acceptRetry.expires_after(std::chrono::milliseconds(50));
        acceptRetry.async_wait([this](beast::error_code waited) {
            if (waited)
                return;
            std::lock_guard<std::mutex> again(mutex);
            armAccept();
        });
        return;
    }
    beast::error_code ignored;
    std::string peer = socket.remote_endpoint(ignored).address().to_string();
    std::string local = endpointText(socket.local_endpoint(ignored));
    if (tls)
        session = launch<beast::ssl_stream<beast::tcp_stream>>(std::move(peer), std::move(local),
                                                               std::move(socket), *tls);
    else
        session = launch<beast::tcp_stream>(std::move(peer), std::move(local), std::move(socket));
    armAccept();
}

template <class Stream, class... Args>
std::shared_ptr<SessionBase> HttpServer::Impl::launch(Args&&... args) {
    auto session = std::make_shared<Session<Stream>>(*this, std::forward<Args>(args)...);
    sessions.emplace(session.get(), session);
    asio::post(session->executor(), [session] { session->go(); });
    return session;
}

void HttpServer::Impl::removed(SessionBase* session) {
    std::lock_guard<std::mutex> lock(mutex);
    sessions.erase(session);
    if (tornDown)
        return;
    if (stopped) {
        if (sessions.empty())
            graceTimer.cancel();
        return;
    }
    armAccept();
}

void HttpServer::Impl::beginStop() {
    std::vector<std::shared_ptr<SessionBase>> live;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopped)
            return;
        stopped = true;
        stopping = true;
        beast::error_code ignored;
        acceptor.close(ignored);
        acceptRetry.cancel();
        signals.cancel(ignored);
        for (auto& [raw, weak] : sessions)
            if (auto session = weak.lock())
                live.push_back(std::move(session));
        if (!sessions.empty()) {
            // The requests in flight get a while to end; then the threads stop.
            graceTimer.expires_after(options.stopGrace);
            graceTimer.async_wait([this](beast::error_code ec) {
                if (!ec)
                    ioc.stop();
            });
        }
    }
    for (auto& session : live)
        session->stopIfIdle();
}

HttpServer::HttpServer(Options options, Handler handler, Logger logger)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler), std::move(logger))) {}

HttpServer::~HttpServer() {
    stop();
    if (impl_->background.joinable())
        impl_->background.join();
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->tornDown = true;
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
    beast::error_code ec;
    const auto address = asio::ip::make_address(s.options.address, ec);
    if (ec) {
        error = "not an address to listen on: " + s.options.address;
        return false;
    }
    const tcp::endpoint endpoint(address, s.options.port);
    const std::string where = endpointText(endpoint);
    s.acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        s.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        s.acceptor.bind(endpoint, ec);
    if (ec == asio::error::address_in_use) {
        error = "port " + std::to_string(s.options.port) + " is in use on " + s.options.address +
                " (another server is listening there)";
        return false;
    }
    if (!ec)
        s.acceptor.listen(s.options.backlog, ec);
    if (ec) {
        error = "cannot listen on " + where + ": " + ec.message();
        return false;
    }
    s.port = s.acceptor.local_endpoint(ec).port();
    return true;
}

uint16_t HttpServer::port() const {
    return impl_->port;
}

void HttpServer::run(bool stopOnSignals) {
    Impl& s = *impl_;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (stopOnSignals) {
            s.signals.add(SIGINT);
            s.signals.add(SIGTERM);
            s.signals.async_wait([&s](beast::error_code ec, int) {
                if (!ec)
                    s.beginStop();
            });
        }
        s.armAccept();
    }
    unsigned count = s.options.threads;
    if (count == 0)
        count = std::max(4u, 2 * std::thread::hardware_concurrency());
    for (unsigned i = 1; i < count; ++i)
        s.threads.emplace_back([&s] { s.ioc.run(); });
    s.ioc.run();
    for (auto& thread : s.threads)
        thread.join();
    s.threads.clear();
}

void HttpServer::start() {
    impl_->background = std::thread([this] { run(false); });
}

void HttpServer::stop() {
    Impl& s = *impl_;
    asio::post(s.ioc, [&s] { s.beginStop(); });
}

} // namespace nearbeam
