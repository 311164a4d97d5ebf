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

std::string endpointText(const tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    if (address.is_v6())
        return "[" + address.to_string() + "]:" + std::to_string(endpoint.port());
    return address.to_string() + ":" + std::to_string(endpoint.port());
}

// Takes the connections while the server serves, at most maxConnections open at
// once (the next waits in the listen backlog until one closes), and keeps the
// list of those open.
class Listener {
  public:
    explicit Listener(HttpServer::Impl& server);
    // Takes the address and port; false with a one-line reason.
    bool open(std::string& error);
    uint16_t port() const { return port_; }
    // Accepts the next connection when there is room. Under the server's mutex.
    void arm();
    // Takes no more connections; the open ones, to be closed when idle. Under the
    // server's mutex.
    std::vector<std::shared_ptr<SessionBase>> close();
    // A connection has ended; true when it was the last. Under the server's mutex.
    bool ended(SessionBase* session);

  private:
    void accepted(beast::error_code ec, tcp::socket socket);
    template <class Stream, class... Args> std::shared_ptr<SessionBase> launch(Args&&... args);

    HttpServer::Impl& server_;
    tcp::acceptor acceptor_;
    asio::steady_timer retry_;
    bool pending_ = false;
    uint16_t port_ = 0;
    std::unordered_map<SessionBase*, std::weak_ptr<SessionBase>> sessions_;
};

// Ends the serving, on a signal or stop(): the listener closes, idle connections
// close, the requests in flight get stopGrace to end, then the threads stop.
class Shutdown {
  public:
    explicit Shutdown(HttpServer::Impl& server);
    // SIGTERM and SIGINT begin a stop.
    void onSignals();
    void begin();
    // The last connection has ended. Under the server's mutex.
    void drained() { grace_.cancel(); }

  private:
    HttpServer::Impl& server_;
    asio::signal_set signals_;
    asio::steady_timer grace_;
};

} // namespace

struct HttpServer::Impl {
    // Serving: taking connections and answering. Stopping: a stop has begun, no
    // new connections, the open ones finish. Closed: the server is gone; a
    // connection still unwinding touches nothing of it.
    enum class State { Serving, Stopping, Closed };

    Options options;
    Handler handler;
    Logger logger;
    // Declared before the I/O objects: a connection that outlives them (a forced
    // stop) still finds these when it ends.
    std::mutex mutex; // guards the state's changes, the listener and the shutdown
    std::atomic<State> state{State::Serving};

    asio::io_context ioc;
    std::optional<asio::ssl::context> tls;
    Listener listener{*this};
    Shutdown shutdown{*this};
    std::vector<std::thread> threads;
    std::thread background;

    Impl(Options o, Handler h, Logger l)
        : options(std::move(o)), handler(std::move(h)), logger(std::move(l)) {}

    bool serving() const { return state == State::Serving; }
    // A connection has ended.
    void ended(SessionBase* session);
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
    ~Session() override { server_.ended(this); }

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
        if (!server_.serving()) {
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
        response_.keep_alive(keepAlive && server_.serving());
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

} // namespace

Listener::Listener(HttpServer::Impl& server)
    : server_(server), acceptor_(server.ioc), retry_(server.ioc) {}

bool Listener::open(std::string& error) {
    const HttpServer::Options& options = server_.options;
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
    if (!server_.serving() || pending_ || sessions_.size() >= server_.options.maxConnections)
        return;
    pending_ = true;
    acceptor_.async_accept(
        asio::make_strand(server_.ioc),
        [this](beast::error_code ec, tcp::socket socket) { accepted(ec, std::move(socket)); });
}

void Listener::accepted(beast::error_code ec, tcp::socket socket) {
    // Declared before the lock: a connection that ends at once ends after it.
    std::shared_ptr<SessionBase> session;
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
    std::string peer = socket.remote_endpoint(ignored).address().to_string();
    std::string local = endpointText(socket.local_endpoint(ignored));
    if (server_.tls)
        session = launch<beast::ssl_stream<beast::tcp_stream>>(std::move(peer), std::move(local),
                                                               std::move(socket), *server_.tls);
    else
        session = launch<beast::tcp_stream>(std::move(peer), std::move(local), std::move(socket));
    arm();
}

template <class Stream, class... Args>
std::shared_ptr<SessionBase> Listener::launch(Args&&... args) {
    auto session = std::make_shared<Session<Stream>>(server_, std::forward<Args>(args)...);
    sessions_.emplace(session.get(), session);
    asio::post(session->executor(), [session] { session->go(); });
    return session;
}

std::vector<std::shared_ptr<SessionBase>> Listener::close() {
    beast::error_code ignored;
    acceptor_.close(ignored);
    retry_.cancel();
    std::vector<std::shared_ptr<SessionBase>> open;
    for (auto& [raw, weak] : sessions_)
        if (auto session = weak.lock())
            open.push_back(std::move(session));
    return open;
}

bool Listener::ended(SessionBase* session) {
    sessions_.erase(session);
    if (server_.serving())
        arm();
    return sessions_.empty();
}

Shutdown::Shutdown(HttpServer::Impl& server)
    : server_(server), signals_(server.ioc), grace_(server.ioc) {}

void Shutdown::onSignals() {
    signals_.add(SIGINT);
    signals_.add(SIGTERM);
    signals_.async_wait([this](beast::error_code ec, int) {
        if (!ec)
            begin();
    });
}

void Shutdown::begin() {
    std::vector<std::shared_ptr<SessionBase>> open;
    {
        std::lock_guard<std::mutex> lock(server_.mutex);
        if (!server_.serving())
            return;
        server_.state = HttpServer::Impl::State::Stopping;
        beast::error_code ignored;
        signals_.cancel(ignored);
        open = server_.listener.close();
        if (!open.empty()) {
            // The requests in flight get a while to end; then the threads stop.
            grace_.expires_after(server_.options.stopGrace);
            grace_.async_wait([this](beast::error_code ec) {
                if (!ec)
                    server_.ioc.stop();
            });
        }
    }
    for (auto& session : open)
        session->stopIfIdle();
}

void HttpServer::Impl::ended(SessionBase* session) {
    std::lock_guard<std::mutex> lock(mutex);
    if (state == State::Closed)
        return;
    if (listener.ended(session) && state == State::Stopping)
        shutdown.drained();
}

HttpServer::HttpServer(Options options, Handler handler, Logger logger)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler), std::move(logger))) {}

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
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (stopOnSignals)
            s.shutdown.onSignals();
        s.listener.arm();
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
    asio::post(s.ioc, [&s] { s.shutdown.begin(); });
}

} // namespace nearbeam
