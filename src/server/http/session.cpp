#include "server/http/session.h"

#include "server/http/addresses.h"
#include "server/http/framing.h"
#include "server/http/reply_head.h"
#include "server/http/server_state.h"

#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <array>
#include <optional>
#include <type_traits>
#include <vector>

namespace nearbeam::http_detail {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
using TlsStream = beast::ssl_stream<Socket>;
using Timer = asio::basic_waitable_timer<SteadyClock, asio::wait_traits<SteadyClock>, Executor>;

// How long a closing connection may take to say goodbye, and how much of an
// unread body it may still swallow meanwhile so the client sees the reply
// rather than a reset.
constexpr std::chrono::seconds kLingerTime{2};
constexpr size_t kLingerBytes = 1024 * 1024;

std::chrono::microseconds since(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start);
}

// The bytes a connection reads at a time while it waits for a request.
constexpr size_t kReadSize = 8192;

template <class Stream>
class Session : public SessionBase, public std::enable_shared_from_this<Session<Stream>> {
  public:
    static constexpr bool kTls = !std::is_same_v<Stream, Socket>;

    template <class... Args>
    Session(ServerState& server, const SessionHooks& hooks, std::string peer, std::string local,
            Args&&... args)
        : SessionBase(std::move(peer)), server_(server), hooks_(hooks), local_(std::move(local)),
          stream_(std::forward<Args>(args)...), timer_(stream_.get_executor()) {}
    ~Session() override { hooks_.ended(this); }

    void go() override {
        started_ = SteadyClock::now();
        expiresAfter(server_.options.headTimeout);
        if constexpr (kTls) {
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        ec = self->timedOut(ec);
                                        if (ec == beast::error::timeout)
                                            self->drop("head timeout");
                                        else if (ec && ec != asio::error::operation_aborted)
                                            self->dropNoisy("TLS handshake failed: " +
                                                            ec.message());
                                        else
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

    Executor executor() override { return stream_.get_executor(); }

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
        hooks_.becameIdle();
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
        if (!framed(parser_->get(), parser_->chunked())) {
            reply(HttpReply{400, "text/plain", "Bad request.\n"}, false);
            return;
        }
        if (!servedMethod(parser_->get())) { // its body, if any, unread: the connection ends
            HttpReply refusal{405, "text/plain", "Method not allowed.\n"};
            refusal.allow = kServedMethods;
            reply(std::move(refusal), false);
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
    // What a failed read gets: a request too large or not HTTP an answer, a
    // client that took too long a line in the log, one that went away in the
    // middle a line at most once a minute (the server's own closing none).
    void refused(beast::error_code ec, const char* timeout) {
        const auto& httpErrors = make_error_code(http::error::end_of_stream).category();
        if (ec == http::error::body_limit)
            reply(HttpReply{413, "text/plain", "Too large.\n"}, false);
        else if (ec == beast::error::timeout)
            drop(timeout);
        else if (ec.category() == httpErrors && ec != http::error::end_of_stream &&
                 ec != http::error::partial_message)
            reply(HttpReply{400, "text/plain", "Bad request.\n"}, false);
        else if (ec != asio::error::operation_aborted)
            dropNoisy("client went away mid-request");
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
        const TrustedProxies& proxies = server_.options.trustedProxies;
        forwarded_.clear();
        if (!proxies.empty())
            for (auto [at, end] = message.equal_range(proxies.headerName()); at != end; ++at)
                forwarded_.emplace_back(at->value().data(), at->value().size());
        TrustedProxies::Client client = proxies.client(peer, forwarded_);
        client_ = std::move(client.address);
        if (client.malformed)
            note_ = std::string("unreadable ") + proxies.headerName() +
                    " from a trusted proxy: counted as the proxy";
        request_.peer = client_;
        request_.peerKey = limitKey(client_, server_.options.ipv6PrefixBits);
        request_.body = std::move(message.body());
        request_.tls = kTls;
        const auto cookie = message[http::field::cookie];
        request_.cookie.assign(cookie.data(), cookie.size());
        const auto csrf = message["X-CSRF-Token"];
        request_.csrfToken.assign(csrf.data(), csrf.size());
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
        record_.note = std::move(note_);
        note_.clear();
        server_.logger(record_);
    }

    // Closes a connection that took too long, with a line in the log.
    void drop(const char* reason) {
        log(0, 0, reason);
        closeSocket();
    }

    // Closes a connection for what a client may cause as often as it likes: a line
    // in the log at most once a minute for its address, saying how many more.
    void dropNoisy(std::string reason) {
        uint64_t more = 0;
        if (server_.logger && server_.troubleLog.allow(peer, SteadyClock::now(), more)) {
            if (more > 0)
                reason += " (and " + std::to_string(more) + " more from this address since)";
            log(0, 0, reason.c_str());
        }
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

    ServerState& server_;
    const SessionHooks& hooks_;
    std::string local_;
    std::string client_; // the request's client: the peer, or whom a trusted proxy names
    std::vector<std::string_view> forwarded_; // the lines of the forwarding header that counts
    std::string note_;                        // for the request's log line
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

std::shared_ptr<SessionBase> makeSession(ServerState& server, const SessionHooks& hooks,
                                         Socket socket, std::string peer, std::string local) {
    if (server.tls)
        return std::make_shared<Session<TlsStream>>(
            server, hooks, std::move(peer), std::move(local), std::move(socket), *server.tls);
    return std::make_shared<Session<Socket>>(server, hooks, std::move(peer), std::move(local),
                                             std::move(socket));
}

} // namespace nearbeam::http_detail
