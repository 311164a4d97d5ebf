#include "server/http/server.h"

#include "server/http/reply_head.h"
#include "server/http/tls_context.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <algorithm>
#include <array>
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
// A connection's socket and timer run on its own context, whose executor they
// name by its type rather than erase it: no handler pays for a polymorphic one.
using Executor = asio::io_context::executor_type;
using Socket = asio::basic_stream_socket<tcp, Executor>;
using TlsStream = beast::ssl_stream<Socket>;
using Timer = asio::basic_waitable_timer<SteadyClock, asio::wait_traits<SteadyClock>, Executor>;

// How long a closing connection may take to say goodbye, and how much of an
// unread body it may still swallow meanwhile so the client sees the reply
// rather than a reset.
constexpr std::chrono::seconds kLingerTime{2};
constexpr size_t kLingerBytes = 1024 * 1024;

struct SessionBase {
    explicit SessionBase(std::string address) : peer(std::move(address)) {}
    virtual ~SessionBase() = default;
    // Closes the connection, on its own thread, if it is then waiting for a
    // request. Keeps no hold on it here: its end never comes under the caller's
    // lock.
    virtual void closeIfIdle(std::weak_ptr<SessionBase> self) = 0;

    const std::string peer; // the address the connection comes from
    // Since when (steady clock ticks) it waits for a request with nothing of one
    // come; 0 while it has one.
    std::atomic<SteadyClock::rep> idleSince{0};
};

std::chrono::microseconds since(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start);
}

std::string endpointText(const tcp::endpoint& endpoint) {
    const auto address = endpoint.address();
    if (address.is_v6())
        return "[" + address.to_string() + "]:" + std::to_string(endpoint.port());
    return address.to_string() + ":" + std::to_string(endpoint.port());
}

// Takes the connections while the server serves and keeps the list of those
// open: at most maxConnections at once (then the oldest idle one is closed for a
// new one, and with none idle the next waits in the listen backlog), and at most
// maxConnectionsPerAddress from one address but a trusted proxy's.
class Listener {
  public:
    explicit Listener(HttpServer::Impl& server);
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
    void accepted(beast::error_code ec, Socket socket);
    // Starts the accepted connection if there is room, else closes the oldest
    // idle one to make room.
    void admit();
    SessionBase* oldestIdle() const;
    template <class Stream, class... Args> void launch(Args&&... args);

    HttpServer::Impl& server_;
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
    Handler atOnce;
    Logger logger;
    // Declared before the I/O objects: a connection that outlives them (a forced
    // stop) still finds these when it ends.
    std::mutex mutex; // guards the state's changes, the listener and the shutdown
    std::atomic<State> state{State::Serving};

    // One I/O context per processor, each run by one thread: a connection lives
    // on one of them, so its handlers never meet another thread. The first also
    // listens. A request whose answer waits for the storage or a login check is
    // answered on the workers, so that it holds up no other connection.
    asio::io_context ioc;
    std::vector<std::unique_ptr<asio::io_context>> more;
    std::vector<asio::executor_work_guard<asio::io_context::executor_type>> keepRunning;
    size_t next = 0; // the context of the next connection
    std::optional<asio::thread_pool> workers;
    std::optional<asio::ssl::context> tls;
    Listener listener{*this};
    Shutdown shutdown{*this};
    std::vector<std::thread> threads;
    std::thread background;

    Impl(Options o, Handler h, Handler quick, Logger l)
        : options(std::move(o)), handler(std::move(h)), atOnce(std::move(quick)),
          logger(std::move(l)) {
        for (unsigned i = 1; i < std::max(1u, std::thread::hardware_concurrency()); ++i) {
            more.push_back(std::make_unique<asio::io_context>(1));
            keepRunning.push_back(asio::make_work_guard(*more.back()));
        }
    }

    asio::io_context& nextContext() {
        const size_t at = next++ % (more.size() + 1);
        return at == 0 ? ioc : *more[at - 1];
    }
    void stopContexts() {
        ioc.stop();
        for (auto& context : more)
            context->stop();
    }

    bool serving() const { return state == State::Serving; }
    // A connection has ended.
    void ended(SessionBase* session);
};

namespace {

// The bytes a connection reads at a time while it waits for a request.
constexpr size_t kReadSize = 8192;

template <class Stream>
class Session : public SessionBase, public std::enable_shared_from_this<Session<Stream>> {
  public:
    static constexpr bool kTls = !std::is_same_v<Stream, Socket>;

    template <class... Args>
    Session(HttpServer::Impl& server, std::string peer, std::string local, Args&&... args)
        : SessionBase(std::move(peer)), server_(server), local_(std::move(local)),
          stream_(std::forward<Args>(args)...), timer_(stream_.get_executor()) {}
    ~Session() override { server_.ended(this); }

    void go() {
        started_ = SteadyClock::now();
        expiresAfter(server_.options.headTimeout);
        if constexpr (kTls) {
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        ec = self->timedOut(ec);
                                        if (ec == beast::error::timeout)
                                            self->drop("head timeout");
                                        else if (!ec)
                                            self->awaitRequest();
                                    });
        } else {
            awaitRequest();
        }
    }

    void closeIfIdle(std::weak_ptr<SessionBase> self) override {
        asio::post(stream_.get_executor(), [weak = std::move(self)] {
            auto session = weak.lock();
            if (session && session->idleSince != 0)
                static_cast<Session&>(*session).closeSocket();
        });
    }

    auto executor() { return stream_.get_executor(); }

  private:
    Socket& lowest() { return beast::get_lowest_layer(stream_); }
    void closeSocket() {
        beast::error_code ignored;
        lowest().close(ignored);
    }

    // The time the connection has for what it waits for now (the head, the
    // body, the reply's sending, the goodbye): past it the socket closes and what
    // was waited for ends as timed out. One timer per connection, set again only
    // when it rings before the time: a request costs no timer work.
    void expiresAfter(SteadyClock::duration time) {
        deadline_ = SteadyClock::now() + time;
        armTimer();
    }
    void armTimer() {
        if (timerSet_ && timer_.expiry() <= deadline_)
            return;
        timerSet_ = true;
        timer_.expires_at(deadline_); // a later wait ends as aborted
        timer_.async_wait([weak = this->weak_from_this()](beast::error_code ec) {
            auto self = weak.lock();
            if (self && !ec)
                self->rang();
        });
    }
    // A request is away being answered: no time runs meanwhile.
    void noDeadline() { deadline_ = SteadyClock::time_point::max(); }

    void rang() {
        timerSet_ = false;
        if (deadline_ == SteadyClock::time_point::max())
            return;
        if (SteadyClock::now() < deadline_) {
            armTimer();
            return;
        }
        timedOut_ = true;
        closeSocket();
    }
    // What a failed operation's error means: a timeout when the timer closed it.
    beast::error_code timedOut(beast::error_code ec) const {
        return ec && timedOut_ ? beast::error_code(beast::error::timeout) : ec;
    }

    // Waits for the first bytes of the next request (idle meanwhile), all within
    // the head's time.
    void awaitRequest() {
        if (!server_.serving()) {
            closeSocket();
            return;
        }
        if (buffer_.size() > 0) { // the next request came with the last
            readHead();
            return;
        }
        idleSince = SteadyClock::now().time_since_epoch().count();
        server_.listener.becameIdle();
        stream_.async_read_some(buffer_.prepare(kReadSize), [self = this->shared_from_this()](
                                                                beast::error_code ec, size_t n) {
            self->idleSince = 0;
            ec = self->timedOut(ec);
            if (ec == beast::error::timeout && self->answered_ == 0)
                self->drop("head timeout"); // connected, and never said a word
            else if (ec)
                self->closeSocket();
            else {
                self->buffer_.commit(n);
                self->started_ = SteadyClock::now();
                self->readHead();
            }
        });
    }

    void readHead() {
        parser_.emplace();
        parser_->header_limit(static_cast<uint32_t>(server_.options.maxHead));
        parser_->body_limit(server_.options.maxBody);
        parser_->eager(false); // the head alone, as async_read_header reads it
        // A head that came whole, as nearly all do, is read at once rather than on
        // another turn of the loop, behind every other connection's.
        if (buffer_.size() > 0) {
            beast::error_code ec;
            buffer_.consume(parser_->put(buffer_.data(), ec));
            if (ec != http::error::need_more && (ec || parser_->is_header_done())) {
                onHead(ec);
                return;
            }
        }
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = this->shared_from_this()](beast::error_code ec, size_t) {
                                    self->onHead(self->timedOut(ec));
                                });
    }

    void onHead(beast::error_code ec) {
        if (ec) {
            refused(ec, "head timeout");
            return;
        }
        if (!framed(parser_->get())) {
            reply(HttpReply{400, "text/plain", "Bad request.\n"}, false);
            return;
        }
        if (parser_->is_done()) {
            handle();
            return;
        }
        expiresAfter(server_.options.bodyTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, size_t) {
                             ec = self->timedOut(ec);
                             if (ec)
                                 self->refused(ec, "body timeout");
                             else
                                 self->handle();
                         });
    }

    // A request the server can frame and knows whom it is for: a method it
    // knows, one Host (none only in HTTP/1.0), and a body framed by its length or
    // by chunks alone. Anything else could be read differently by a proxy in
    // front, and what follows on the connection smuggled past it.
    bool framed(const http::request<http::string_body>& message) const {
        const size_t hosts = message.count(http::field::host);
        if (message.method() == http::verb::unknown || hosts > 1 ||
            (message.version() >= 11 && hosts == 0))
            return false;
        return message.count(http::field::transfer_encoding) == 0 ||
               (parser_->chunked() && message.count(http::field::content_length) == 0);
    }

    // What a failed read gets: a request too large or not HTTP an answer, a
    // client that took too long a line in the log, one that went away nothing.
    void refused(beast::error_code ec, const char* timeout) {
        const auto& httpErrors = make_error_code(http::error::end_of_stream).category();
        if (ec == http::error::body_limit)
            reply(HttpReply{413, "text/plain", "Too large.\n"}, false);
        else if (ec == beast::error::timeout)
            drop(timeout);
        else if (ec.category() == httpErrors && ec != http::error::end_of_stream &&
                 ec != http::error::partial_message)
            reply(HttpReply{400, "text/plain", "Bad request.\n"}, false);
    }

    // The request as the routes take it, in the connection's own object: its
    // texts keep their room from one request answered at once to the next.
    void handle() {
        noDeadline();
        auto& message = parser_->get();
        head_ = message.method() == http::verb::head;
        if (head_)
            request_.method = "GET";
        else
            request_.method.assign(message.method_string().data(), message.method_string().size());
        request_.target.assign(message.target().data(), message.target().size());
        auto host = message.find(http::field::host);
        if (host != message.end())
            request_.host.assign(host->value().data(), host->value().size());
        else
            request_.host = local_;
        fromAbsoluteForm(request_);
        const auto forwardedFor = message["X-Forwarded-For"];
        const auto forwarded = message[http::field::forwarded];
        client_ = server_.options.trustedProxies.client(
            peer, std::string_view(forwardedFor.data(), forwardedFor.size()),
            std::string_view(forwarded.data(), forwarded.size()));
        request_.peer = client_;
        request_.body = std::move(message.body());
        const bool keepAlive = message.keep_alive();
        if (server_.atOnce) {
            HttpReply answer = server_.atOnce(request_);
            if (answer.status != 0) {
                reply(std::move(answer), keepAlive);
                return;
            }
        }
        // The connection's context keeps running while its request is away.
        asio::post(*server_.workers,
                   [self = this->shared_from_this(), request = std::move(request_), keepAlive,
                    work = asio::make_work_guard(executor())] {
                       HttpReply answer;
                       try {
                           answer = self->server_.handler(request);
                       } catch (const std::exception&) {
                           answer = HttpReply{500, "text/plain", "Internal error.\n"};
                       }
                       asio::post(work.get_executor(),
                                  [self, answer = std::move(answer), keepAlive]() mutable {
                                      self->reply(std::move(answer), keepAlive);
                                  });
                   });
    }

    // "http://host:port/path?query" as the origin form "/path?query", the host
    // taken from it.
    static void fromAbsoluteForm(HttpRequest& request) {
        const std::string& target = request.target;
        const size_t scheme = target.find("://");
        if (target.empty() || target[0] == '/' || scheme == std::string::npos)
            return;
        const size_t path = target.find_first_of("/?", scheme + 3);
        request.host = target.substr(scheme + 3, path - (scheme + 3));
        request.target = path == std::string::npos ? "/" : target.substr(path);
        if (request.target[0] == '?')
            request.target.insert(0, "/");
    }

    // Sends the head and the body as they are: a kept reply's body is shared,
    // not copied.
    void reply(HttpReply answer, bool keepAlive) {
        reply_ = std::move(answer);
        keepAlive_ = keepAlive && server_.serving();
        writeReplyHead(replyHead_, reply_,
                       ReplyFraming{parser_->get().version() == 10 ? 10u : 11u, keepAlive_, kTls});
        // A reply to HEAD: its head alone, the body's length in it.
        const std::string_view body = head_ ? std::string_view() : reply_.content();
        const std::array<asio::const_buffer, 2> bytes{asio::buffer(replyHead_),
                                                      asio::buffer(body.data(), body.size())};
        expiresAfter(server_.options.bodyTimeout);
        asio::async_write(stream_, bytes,
                          [self = this->shared_from_this()](beast::error_code ec, size_t) {
                              self->onWritten(self->timedOut(ec));
                          });
    }

    // A line in the log, from the connection's own record: its texts keep their
    // room from one request to the next.
    void log(int status, uint64_t bytes, const char* dropped = "") {
        if (!server_.logger)
            return;
        record_.time = std::chrono::system_clock::now();
        record_.address = client_.empty() ? peer : client_;
        if (parser_) {
            const auto& message = parser_->get();
            record_.method.assign(message.method_string().data(), message.method_string().size());
            record_.target.assign(message.target().data(), message.target().size());
        } else {
            record_.method.clear();
            record_.target.clear();
        }
        record_.status = status;
        record_.bytes = bytes;
        record_.took = since(started_);
        record_.dropped = dropped;
        server_.logger(record_);
    }

    // Closes a connection that took too long, with a line in the log.
    void drop(const char* reason) {
        log(0, 0, reason);
        closeSocket();
    }

    void onWritten(beast::error_code ec) {
        ++answered_;
        log(reply_.status, head_ ? 0 : reply_.content().size());
        head_ = false;
        reply_ = HttpReply{}; // an idle connection holds no reply
        if (ec)
            return;
        if (keepAlive_) {
            parser_.reset();
            client_.clear();
            expiresAfter(server_.options.headTimeout);
            awaitRequest();
            return;
        }
        finish();
    }

    // Says goodbye without a reset: TLS closes its session; plain TCP ends its
    // side and swallows what the client still sends, for a short while.
    void finish() {
        expiresAfter(kLingerTime);
        if constexpr (kTls) {
            stream_.async_shutdown(
                [self = this->shared_from_this()](beast::error_code) { self->closeSocket(); });
        } else {
            beast::error_code ignored;
            lowest().shutdown(tcp::socket::shutdown_send, ignored);
            drain();
        }
    }

    void drain() {
        lowest().async_read_some(asio::buffer(sink_),
                                 [self = this->shared_from_this()](beast::error_code ec, size_t n) {
                                     self->drained_ += n;
                                     if (ec || self->drained_ > kLingerBytes)
                                         self->closeSocket();
                                     else
                                         self->drain();
                                 });
    }

    HttpServer::Impl& server_;
    std::string local_;
    std::string client_; // the request's client: the peer, or whom a trusted proxy names
    Stream stream_;
    Timer timer_;
    bool timerSet_ = false;
    bool timedOut_ = false;
    SteadyClock::time_point deadline_ = SteadyClock::time_point::max();
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    HttpRequest request_;
    HttpReply reply_;
    std::string replyHead_;
    bool keepAlive_ = false;
    AccessRecord record_;
    bool head_ = false; // answering HEAD: the reply's head alone
    uint64_t answered_ = 0;
    SteadyClock::time_point started_;
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
    std::string peer = socket.remote_endpoint(ignored).address().to_string();
    const HttpServer::Options& options = server_.options;
    if (perAddress_[peer] >= options.maxConnectionsPerAddress &&
        !options.trustedProxies.trusts(peer)) {
        if (server_.logger)
            server_.logger(AccessRecord{std::chrono::system_clock::now(), peer, "", "", 0, 0,
                                        std::chrono::microseconds(0),
                                        "too many connections from this address"});
        socket.close(ignored);
        arm();
        return;
    }
    ++perAddress_[peer];
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
    if (server_.tls)
        launch<TlsStream>(std::move(next.peer), std::move(next.local), std::move(next.socket),
                          *server_.tls);
    else
        launch<Socket>(std::move(next.peer), std::move(next.local), std::move(next.socket));
    arm();
}

// The session goes to its thread holding the only strong reference, so that
// no end of it ever comes under the server's lock.
template <class Stream, class... Args> void Listener::launch(Args&&... args) {
    auto session = std::make_shared<Session<Stream>>(server_, std::forward<Args>(args)...);
    sessions_.emplace(session.get(), session);
    auto executor = session->executor();
    asio::post(executor, [session = std::move(session)] { session->go(); });
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
        --perAddress_[waiting_->peer];
        waiting_.reset();
    }
    for (auto& [session, weak] : sessions_)
        session->closeIfIdle(weak);
    return !sessions_.empty();
}

bool Listener::ended(SessionBase* session) {
    sessions_.erase(session);
    auto count = perAddress_.find(session->peer);
    if (count != perAddress_.end() && --count->second == 0)
        perAddress_.erase(count);
    if (server_.serving())
        admit();
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
    std::lock_guard<std::mutex> lock(server_.mutex);
    if (!server_.serving())
        return;
    server_.state = HttpServer::Impl::State::Stopping;
    server_.keepRunning.clear(); // each context ends once its connections have
    beast::error_code ignored;
    signals_.cancel(ignored);
    if (server_.listener.close()) {
        // The requests in flight get a while to end; then the threads stop.
        grace_.expires_after(server_.options.stopGrace);
        grace_.async_wait([this](beast::error_code ec) {
            if (!ec)
                server_.ioc.stop();
        });
    }
}

void HttpServer::Impl::ended(SessionBase* session) {
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
