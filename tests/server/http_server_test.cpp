#include "server/http_server.h"

#include "support/http_exchange.h"

#include <gtest/gtest.h>

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
    };
    for (const Case& c : cases) {
        const std::string answer = exchange(s.server.port(), c.request);
        EXPECT_EQ(answer.rfind(c.answerStart, 0), 0u) << c.request << "\n" << answer;
        EXPECT_EQ(bodyOf(answer), c.body) << c.request;
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
    // Each slow client holds its slot for sure once its first request is answered.
    std::vector<net::Socket> slow;
    for (int i = 0; i < 2; ++i) {
        slow.push_back(connectLoopback(s.server.port()));
        const std::string request = "GET /slot HTTP/1.1\r\nHost: x\r\n\r\n";
        slow.back().sendAll(request.data(), request.size(), 1000);
        ASSERT_NE(readAnswer(slow.back(), "GET /slot 0\n").find("GET /slot 0\n"),
                  std::string::npos);
        slow.back().sendAll("G", 1, 1000);
    }
    EXPECT_EQ(bodyOf(exchange(s.server.port(), "GET /good HTTP/1.0\r\n\r\n")), "GET /good 0\n");
    // It waited in the backlog: a slot was freed by dropping a slow client.
    EXPECT_TRUE(closedByServer(slow[0]) || closedByServer(slow[1]));
    for (net::Socket& socket : slow) {
        socket.sendAll("E", 1, 1000);
        EXPECT_EQ(readAll(socket, 30000), ""); // dropped without a word
        EXPECT_TRUE(closedByServer(socket));
    }
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
