#include "server/http/server.h"

#include "support/http_exchange.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace nearbeam::test {
namespace {

using namespace std::chrono_literals;

// Answers every request with its method, target and body length.
HttpReply echo(const HttpRequest& request) {
    return HttpReply{200, "text/plain",
                     request.method + " " + request.target + " " +
                         std::to_string(request.body.size()) + "\n"};
}

HttpServer::Options quickOptions() {
    HttpServer::Options options;
    options.headTimeout = 300ms;
    options.bodyTimeout = 300ms;
    options.maxBody = 1000;
    options.threads = 2;
    return options;
}

// A connection to the server on 127.0.0.1 from another loopback address, as
// from another client.
net::Socket connectFrom(const char* source, uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    to.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return net::Socket();
    }
    return net::Socket(fd);
}

// Sends a request and reads the answer to the end of the connection.
std::string ask(net::Socket socket, const std::string& request) {
    socket.sendAll(request.data(), request.size(), 2000);
    socket.shutdownSend();
    return readAll(socket);
}

struct Served {
    explicit Served(HttpServer::Options options = quickOptions(),
                    HttpServer::Handler handler = echo)
        : server(std::move(options), std::move(handler), [this](const AccessRecord& record) {
              std::lock_guard<std::mutex> lock(mutex);
              log.push_back(record);
          }) {
        std::string error;
        EXPECT_TRUE(server.open(error)) << error;
        server.start();
    }
    // The log's lines so far that name this address, as accessLogLine wrote them
    // from the time on.
    std::vector<std::string> logged(const std::string& address) {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> lines;
        for (const AccessRecord& record : log)
            if (record.address == address)
                lines.push_back(accessLogLine(record).substr(25));
        return lines;
    }
    // Waits until the log holds n records, within a bound a busy machine does not
    // reach.
    bool waitForLog(size_t n) {
        for (int i = 0; i < 3000; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (log.size() >= n)
                    return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    std::mutex mutex;
    std::vector<AccessRecord> log;
    HttpServer server;
};

TEST(HttpServer, AnswersInTheRequestsVersionWithinTheBodyLimit) {
    Served s;
    struct Case {
        std::string request;
        const char* answerStart;
        const char* body;
    } cases[] = {
        // The program's own form: HTTP/1.0, the body without a content type.
        {"GET /a?b=1 HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK\r\n", "GET /a?b=1 0\n"},
        {"POST /up HTTP/1.0\r\nContent-Length: 5\r\n\r\nhello", "HTTP/1.0 200 OK\r\n",
         "POST /up 5\n"},
        {"POST /up HTTP/1.1\r\nHost: x\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n"
         "3\r\nabc\r\n0\r\n\r\n",
         "HTTP/1.1 200 OK\r\n", "POST /up 3\n"},
        // Over the body limit, declared or sent in chunks: refused.
        {"POST /up HTTP/1.0\r\nContent-Length: 1001\r\n\r\n", "HTTP/1.0 413 Payload Too Large\r\n",
         "Too large.\n"},
        {"POST /up HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n3e9\r\n" +
             std::string(1001, 'x') + "\r\n0\r\n\r\n",
         "HTTP/1.1 413 Payload Too Large\r\n", "Too large.\n"},
        {"NOT HTTP AT ALL\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n", "Bad request.\n"},
        // Methods it serves none of: refused, saying which it serves.
        {"TRACE / HTTP/1.1\r\nHost: x\r\n\r\n",
         "HTTP/1.1 405 Method Not Allowed\r\nContent-Type: text/plain\r\nX-Content-Type-Options: "
         "nosniff\r\nAllow: GET, HEAD, POST\r\n",
         "Method not allowed.\n"},
        {"PUT /healthz HTTP/1.0\r\nContent-Length: 2\r\n\r\nok",
         "HTTP/1.0 405 Method Not Allowed\r\n", "Method not allowed.\n"},
    };
    for (const Case& c : cases) {
        const std::string answer = exchange(s.server.port(), c.request);
        EXPECT_EQ(answer.rfind(c.answerStart, 0), 0u) << c.request << "\n" << answer;
        EXPECT_EQ(bodyOf(answer), c.body) << c.request;
    }
}

// What a request smuggler or a sloppy client sends: a body the server cannot
// frame is refused with 400 and the connection closed, so nothing of it is read
// as a next request; every request gets exactly one answer.
TEST(HttpServer, RefusesRequestsItCannotFrameAndClosesTheirConnection) {
    Served s;
    const std::string next = "GET /smuggled HTTP/1.1\r\nHost: x\r\n\r\n";
    struct Case {
        std::string request;
        const char* status;
        const char* body; // of the one answer; null: no body (HEAD)
    } cases[] = {
        {"POST /up HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked, identity\r\n\r\n" + next,
         "HTTP/1.1 400 Bad Request", "Bad request.\n"},
        {"POST /up HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: identity\r\n\r\n" + next,
         "HTTP/1.1 400 Bad Request", "Bad request.\n"},
        {"POST /up HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: gzip\r\n\r\n" + next,
         "HTTP/1.1 400 Bad Request", "Bad request.\n"},
        {"POST /up HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\nTransfer-Encoding: "
         "chunked\r\n\r\n0\r\n\r\n" +
             next,
         "HTTP/1.1 400 Bad Request", "Bad request.\n"},
        {"POST /up HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
         "fffffffffffffffff1\r\nabc\r\n0\r\n\r\n" +
             next,
         "HTTP/1.1 400 Bad Request", "Bad request.\n"},
        {"GET /a HTTP/1.1\r\n\r\n" + next, "HTTP/1.1 400 Bad Request", "Bad request.\n"},
        {"GET /a HTTP/1.1\r\nHost: x\r\nHost: y\r\n\r\n" + next, "HTTP/1.1 400 Bad Request",
         "Bad request.\n"},
        {"GET /a HTTP/1.0\r\nHost: x\r\nHost: y\r\n\r\n", "HTTP/1.0 400 Bad Request",
         "Bad request.\n"},
        {"helloGET /healthz HTTP/1.1\r\nHost: x\r\n\r\n" + next, "HTTP/1.1 400 Bad Request",
         "Bad request.\n"},
        // Served: the absolute form like the origin form, HEAD like GET without
        // its body, HTTP/1.0 without a Host.
        {"GET http://x/a?b=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", "HTTP/1.1 200 OK",
         "GET /a?b=1 0\n"},
        {"GET HTTP://x:8080 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", "HTTP/1.1 200 OK",
         "GET / 0\n"},
        {"HEAD /a HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", "HTTP/1.1 200 OK", nullptr},
        {"GET /a HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", "GET /a 0\n"},
    };
    for (const Case& c : cases) {
        const std::string answer = exchange(s.server.port(), c.request);
        EXPECT_EQ(statusLine(answer), c.status) << c.request;
        EXPECT_EQ(answer.find("HTTP/1", 1), std::string::npos) << c.request << answer;
        if (c.body) {
            EXPECT_EQ(bodyOf(answer), c.body) << c.request;
        } else {
            EXPECT_EQ(bodyOf(answer), "") << c.request;
            EXPECT_NE(answer.find("Content-Length: 9\r\n"), std::string::npos) << answer;
        }
    }
}

TEST(HttpServer, KeepsHttp11ConnectionsAliveAndLogsEachRequest) {
    Served s;
    net::Socket socket = connectLoopback(s.server.port());
    const std::string twice = "GET /one HTTP/1.1\r\nHost: x\r\n\r\n"
                              "GET /two HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    socket.sendAll(twice.data(), twice.size(), 2000);
    const std::string answers = readAll(socket);
    EXPECT_NE(answers.find("GET /one 0\n"), std::string::npos) << answers;
    EXPECT_NE(answers.find("GET /two 0\n"), std::string::npos) << answers;
    std::lock_guard<std::mutex> lock(s.mutex);
    ASSERT_EQ(s.log.size(), 2u);
    EXPECT_EQ(s.log[1].target, "/two");
    EXPECT_EQ(s.log[1].status, 200);
    EXPECT_EQ(s.log[1].bytes, 11u);
    EXPECT_EQ(s.log[1].address, "127.0.0.1");
}

// Reads the answer to one request on a connection that stays open.
std::string readAnswer(net::Socket& socket, const std::string& end) {
    std::string answer;
    char buffer[4096];
    size_t got = 0;
    while (answer.find(end) == std::string::npos &&
           socket.receive(buffer, sizeof buffer, got, 30000) == net::IoResult::Ok && got > 0)
        answer.append(buffer, got);
    return answer;
}

// Whether the server has already closed the connection: its end (or a reset) is
// there to read, without waiting.
bool closedByServer(net::Socket& socket) {
    char byte;
    size_t got = 0;
    const net::IoResult r = socket.receive(&byte, 1, got, 0);
    return r == net::IoResult::Closed || r == net::IoResult::Failed;
}

// A client that sends its next head a byte at a time is dropped at the head's
// deadline; meanwhile, and with every connection slot taken, a good client is
// answered once a slot frees, and not before.
TEST(HttpServer, DropsSlowClientsAndBoundsTheConnections) {
    HttpServer::Options options = quickOptions();
    options.maxConnections = 2;
    Served s(options);
    // Each slow client holds its slot for sure once its first request is answered:
    // the first byte of its next head came with it, so it is never idle (an idle
    // one would be closed to make room).
    std::vector<net::Socket> slow;
    for (int i = 0; i < 2; ++i) {
        slow.push_back(connectLoopback(s.server.port()));
        const std::string request = "GET /slot HTTP/1.1\r\nHost: x\r\n\r\nG";
        slow.back().sendAll(request.data(), request.size(), 1000);
        ASSERT_NE(readAnswer(slow.back(), "GET /slot 0\n").find("GET /slot 0\n"),
                  std::string::npos);
    }
    EXPECT_EQ(bodyOf(exchange(s.server.port(), "GET /good HTTP/1.0\r\n\r\n")), "GET /good 0\n");
    // It waited in the backlog: a slot was freed by dropping a slow client.
    EXPECT_TRUE(closedByServer(slow[0]) || closedByServer(slow[1]));
    for (net::Socket& socket : slow) {
        socket.sendAll("E", 1, 1000);
        EXPECT_EQ(readAll(socket, 30000), ""); // dropped without a word
        EXPECT_TRUE(closedByServer(socket));
    }
    // A body that does not come in time is dropped too; each drop is logged.
    net::Socket body = connectLoopback(s.server.port());
    body.sendAll("POST /up HTTP/1.0\r\nContent-Length: 9\r\n\r\nabc", 42, 1000);
    EXPECT_EQ(readAll(body, 2000), "");
    ASSERT_TRUE(s.waitForLog(6));
    std::vector<std::string> reasons;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        for (const AccessRecord& record : s.log)
            reasons.push_back(record.dropped.empty() ? record.target : record.dropped);
    }
    std::sort(reasons.begin(), reasons.end());
    EXPECT_EQ(reasons, (std::vector<std::string>{"/good", "/slot", "/slot", "body timeout",
                                                 "head timeout", "head timeout"}));
}

// One address holds at most its share of the connections; a trusted proxy is not
// limited so, and names the client it forwards for, which no one else may.
TEST(HttpServer, CapsConnectionsPerAddressAndTakesTheClientFromTrustedProxiesOnly) {
    HttpServer::Options options = quickOptions();
    options.headTimeout = 5s;
    options.maxConnectionsPerAddress = 2;
    std::string error;
    ASSERT_TRUE(options.trustedProxies.add("127.0.0.3/32", error)) << error;
    Served s(options);
    const uint16_t port = s.server.port();
    std::vector<net::Socket> held;
    for (int i = 0; i < 2; ++i)
        held.push_back(connectFrom("127.0.0.2", port));
    EXPECT_EQ(ask(connectFrom("127.0.0.2", port), "GET /third HTTP/1.0\r\n\r\n"), "");
    EXPECT_EQ(bodyOf(ask(connectFrom("127.0.0.1", port), "GET /other HTTP/1.0\r\n\r\n")),
              "GET /other 0\n");

    for (int i = 0; i < 3; ++i)
        held.push_back(connectFrom("127.0.0.3", port));
    const std::string forwarded = "GET /f HTTP/1.0\r\nX-Forwarded-For: 10.1.1.1, 192.0.2.7\r\n\r\n";
    EXPECT_EQ(bodyOf(ask(connectFrom("127.0.0.3", port), forwarded)), "GET /f 0\n");
    // Only the header that counts is read, over all its lines; one it cannot read
    // leaves the proxy as the client, with a note.
    EXPECT_EQ(bodyOf(ask(connectFrom("127.0.0.3", port),
                         "GET /g HTTP/1.0\r\nForwarded: for=\"[2001:db8::5]:4711\"\r\n\r\n")),
              "GET /g 0\n");
    EXPECT_EQ(bodyOf(ask(connectFrom("127.0.0.3", port),
                         "GET /h HTTP/1.0\r\nX-Forwarded-For: 192.0.2.1\r\nX-Forwarded-For: "
                         "::ffff:192.0.2.8\r\n\r\n")),
              "GET /h 0\n");
    EXPECT_EQ(bodyOf(ask(connectFrom("127.0.0.3", port),
                         "GET /i HTTP/1.0\r\nX-Forwarded-For: unknown\r\n\r\n")),
              "GET /i 0\n");
    EXPECT_EQ(bodyOf(ask(connectFrom("127.0.0.4", port), forwarded)), "GET /f 0\n");

    ASSERT_TRUE(s.waitForLog(7));
    EXPECT_EQ(s.logged("127.0.0.2"),
              std::vector<std::string>{"127.0.0.2 - - - 0 0.000 dropped: too many connections "
                                       "from this address\n"});
    EXPECT_EQ(s.logged("192.0.2.7").size(), 1u);
    EXPECT_EQ(s.logged("192.0.2.8").size(), 1u);
    EXPECT_EQ(s.logged("127.0.0.4").size(), 1u); // its header is not taken
    std::vector<std::string> proxy = s.logged("127.0.0.3");
    std::sort(proxy.begin(), proxy.end());
    ASSERT_EQ(proxy.size(), 2u);
    EXPECT_EQ(proxy[0].rfind("127.0.0.3 GET /g 200 ", 0), 0u) << proxy[0];
    EXPECT_EQ(proxy[1].rfind("127.0.0.3 GET /i 200 ", 0), 0u) << proxy[1];
    EXPECT_NE(proxy[1].find(" note: unreadable X-Forwarded-For from a trusted proxy: counted as "
                            "the proxy\n"),
              std::string::npos)
        << proxy[1];
}

// A client that goes away in the middle of its request leaves a line in the
// log, at most one a minute for its address.
TEST(HttpServer, LogsAClientGoneMidRequestOnceAMinute) {
    Served s;
    const uint16_t port = s.server.port();
    // Each is answered by the connection's end once the server has seen it go.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ask(connectFrom("127.0.0.5", port), "GET /half HTTP/1.1\r\nHo"), "");
    EXPECT_EQ(
        ask(connectFrom("127.0.0.6", port), "POST /up HTTP/1.0\r\nContent-Length: 10\r\n\r\nabc"),
        "");
    ASSERT_TRUE(s.waitForLog(2));
    for (const char* address : {"127.0.0.5", "127.0.0.6"}) {
        const std::vector<std::string> lines = s.logged(address);
        ASSERT_EQ(lines.size(), 1u) << address;
        EXPECT_NE(lines[0].find(" dropped: client went away mid-request\n"), std::string::npos)
            << lines[0];
    }
}

// With every connection taken, a new client gets the place of the one idle the
// longest; one that is sending a request keeps its place.
TEST(HttpServer, ClosesTheOldestIdleConnectionForANewOne) {
    HttpServer::Options options = quickOptions();
    options.headTimeout = 5s;
    options.maxConnections = 3;
    Served s(options);
    const uint16_t port = s.server.port();
    // The oldest is idle since its answer: kept alive, read to its body's end.
    net::Socket oldest = connectLoopback(port);
    const std::string first = "GET /first HTTP/1.1\r\nHost: x\r\n\r\n";
    oldest.sendAll(first.data(), first.size(), 1000);
    std::string answer;
    char buffer[1024];
    for (size_t got = 0; answer.find("GET /first 0\n") == std::string::npos;) {
        ASSERT_EQ(oldest.receive(buffer, sizeof buffer, got, 2000), net::IoResult::Ok) << answer;
        answer.append(buffer, got);
    }
    net::Socket younger = connectLoopback(port);
    net::Socket busy = connectLoopback(port);
    busy.sendAll("GET /busy", 9, 1000);
    ASSERT_TRUE(s.waitForLog(1));
    EXPECT_EQ(bodyOf(ask(connectLoopback(port), "GET /new HTTP/1.0\r\n\r\n")), "GET /new 0\n");
    EXPECT_EQ(readAll(oldest, 2000), ""); // closed for it
    const std::string rest = " HTTP/1.0\r\n\r\n";
    busy.sendAll(rest.data(), rest.size(), 1000);
    EXPECT_EQ(bodyOf(readAll(busy, 2000)), "GET /busy 0\n");
    const std::string request = "GET /younger HTTP/1.0\r\n\r\n";
    EXPECT_EQ(bodyOf(ask(std::move(younger), request)), "GET /younger 0\n");
}

// The head's and the body's times bound the client, not the server: an answer
// slower than both still goes out whole, and only then does the kept-alive
// connection's next head have its time (it closes quietly once that is over).
TEST(HttpServer, ASlowAnswerIsNotTakenForASlowClient) {
    HttpServer::Options options = quickOptions();
    options.headTimeout = options.bodyTimeout = 50ms;
    Served s(options, [](const HttpRequest& request) {
        std::this_thread::sleep_for(400ms); // a storage that takes its time
        return echo(request);
    });
    net::Socket socket = connectLoopback(s.server.port());
    const std::string request = "POST /slow HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\nab";
    socket.sendAll(request.data(), request.size(), 2000);
    EXPECT_NE(readAnswer(socket, "POST /slow 2\n").find("POST /slow 2\n"), std::string::npos);
    EXPECT_EQ(readAll(socket, 5000), "");
    std::lock_guard<std::mutex> lock(s.mutex);
    ASSERT_EQ(s.log.size(), 1u);
    EXPECT_EQ(s.log[0].status, 200);
    EXPECT_EQ(s.log[0].dropped, "");
}

TEST(HttpServer, StopFinishesTheRequestsInFlight) {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, release = false;
    auto handler = [&](const HttpRequest& request) {
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
        return echo(request);
    };
    Served s(quickOptions(), handler);
    net::Socket idle = connectLoopback(s.server.port());
    std::string answer;
    std::thread client([&] { answer = exchange(s.server.port(), "GET /slow HTTP/1.0\r\n\r\n"); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return entered; });
    }
    s.server.stop();
    EXPECT_EQ(readAll(idle, 2000), ""); // the idle connection is closed at once
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    changed.notify_all();
    client.join();
    EXPECT_EQ(bodyOf(answer), "GET /slow 0\n");
    EXPECT_FALSE(connectLoopback(s.server.port()).valid());
}

} // namespace
} // namespace nearbeam::test
