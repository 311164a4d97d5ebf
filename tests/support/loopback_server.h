#pragma once
// The loopback test server: HTTP/1.0 on a loopback port
// around the location service, one connection at a time, on a thread of its own,
// with its records in memory, loaded from a folder of text files. It can be told
// to misbehave on purpose, so the program's handling of a bad network can be
// tried. (The server operators run is nearbeam-server.)

#include "server/location_service.h"
#include "server/routes.h"
#include "server/storage/memory_storage.h"
#include "support/socket.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace nearbeam {

struct Misbehaviour {
    bool refuse = false;     // nothing listens on the port
    bool hang = false;       // accepts and never answers
    int64_t cutAfter = -1;   // closes the connection after this many bytes of the body
    bool signInPage = false; // answers an HTML sign-in page, as a captive network does
    bool httpError = false;  // answers status 500 with a body in the protocol's form
    bool crlf = false;       // ends the reply's lines with CR LF
    uint32_t dripMs = 0;     // sends the reply in small pieces with this pause between
    size_t dripBytes = 7;
};

class LoopbackServer {
  public:
    struct Options {
        std::string folder; // records folder, read at start (users.txt with digests)
        uint16_t port = 0;  // 0: a free port
        Misbehaviour misbehaviour;
        // The longest a client may take to send its whole request.
        uint32_t requestTimeoutMs = 10000;
        // Told of every request answered: its target, body and the reply's body
        // (as the service made it, before any misbehaviour). Runs on the server's
        // thread.
        std::function<void(const std::string& target, const std::string& body,
                           const std::string& reply)>
            exchanged;
    };

    explicit LoopbackServer(Options options);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Takes the port and starts serving. False when the port could not be had or
    // the folder could not be read.
    bool start();
    // Stops serving; a hanging or dripping answer ends at once.
    void stop();

    uint16_t port() const { return port_; }
    // "127.0.0.1:port", the form the Server setting takes.
    std::string hostAndPort() const;
    LocationService& service() { return service_; }
    Storage& storage() { return storage_; }

    // Applies to the connections accepted from now on (refuse only at start).
    void setMisbehaviour(const Misbehaviour& misbehaviour);
    // Requests answered or abandoned so far.
    size_t requestsSeen() const { return requests_; }

    using Reply = HttpReply;
    // The reply to a request's head and the body it declared, as the server gives
    // it when it behaves.
    Reply respond(std::string_view head, std::string_view body);

  private:
    void serve();
    void handle(net::Socket& client);
    void send(net::Socket& client, const Reply& reply, const Misbehaviour& mis);
    // Sleeps, but returns early (false) when the server stops.
    bool pause(uint32_t ms);

    // Test accounts only, in memory: the token is kept as it comes.
    class PlainTokens : public TokenHasher {
      public:
        std::string hash(const std::string& token) const override { return "plain:" + token; }
        bool verify(const std::string& hash, const std::string& token) const override {
            return hash == "plain:" + token;
        }
    };

    Options options_;
    MemoryStorage storage_{std::make_shared<PlainTokens>()};
    LocationService service_{storage_};
    Routes routes_{service_};
    bool loaded_ = false;
    net::Socket listener_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> requests_{0};
    std::mutex mutex_;
    std::condition_variable stopSignal_;
    Misbehaviour misbehaviour_;
};

} // namespace nearbeam
