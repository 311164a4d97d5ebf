#include "net/http_text.h"
#include "net/server_cases.h"
#include "net/win32/wininet_transport.h"
#include "support/socket.h"

#include <thread>

namespace nearbeam::test {
namespace {

// Collects what an attempt brings, without the web agent.
struct RecordingSink : HttpSink {
    bool progressWanted = true;
    std::vector<int> codes;
    int statusCode = 0;
    std::string bytes;
    void progress(WebProgress code) override { codes.push_back(static_cast<int>(code)); }
    bool status(int code, int64_t) override {
        statusCode = code;
        return true;
    }
    bool received(const char* data, size_t n) override {
        bytes.append(data, n);
        return true;
    }
    bool wantsProgress() const override { return progressWanted; }
};

// Performs one attempt against a one-shot listener and returns the request it
// received, head and body.
std::string requestSent(const std::string* body, RecordingSink& sink) {
    uint16_t port = 0;
    net::Socket listener = net::listenOnLoopback(0, port);
    EXPECT_TRUE(listener.valid());
    std::string request;
    std::thread peer([&] {
        net::Socket client;
        if (net::acceptFrom(listener, client, 5000) != net::IoResult::Ok)
            return;
        char buffer[4096];
        size_t got = 0;
        for (;;) {
            size_t end = http::headEnd(request);
            if (end != std::string::npos &&
                request.size() >= end + std::max<int64_t>(0, http::contentLength(request)))
                break;
            if (client.receive(buffer, sizeof buffer, got, 5000) != net::IoResult::Ok)
                return;
            request.append(buffer, got);
        }
        const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nline\n";
        client.sendAll(reply.data(), reply.size(), 5000);
        client.shutdownSend();
        client.waitReadable(5000);
    });
    WinInetTransport transport;
    HttpAttempt attempt{L"127.0.0.1", port, L"/text/?action=location.uploadText", body};
    EXPECT_TRUE(transport.perform(attempt, sink));
    peer.join();
    EXPECT_EQ(sink.statusCode, 200);
    EXPECT_EQ(sink.bytes, "line\n");
    return request;
}

// The request on the wire: HTTP/1.0, agent "CeHttp", accept type "*/*", the body's
// bytes as they are, and no Content-Type.
TEST(WinInetTransport, SendsThePlainRequest) {
    struct Case {
        const char* name;
        std::optional<std::string> body;
        const char* requestLine;
    };
    const Case cases[] = {
        {"GET", std::nullopt, "GET /text/?action=location.uploadText HTTP/1.0"},
        {"empty POST", std::string(), "POST /text/?action=location.uploadText HTTP/1.0"},
        {"POST", std::string("- login\nann\n"), "POST /text/?action=location.uploadText HTTP/1.0"},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        std::string request = requestSent(c.body ? &*c.body : nullptr, sink);
        size_t headEnd = http::headEnd(request);
        ASSERT_NE(headEnd, std::string::npos) << c.name;
        std::string head = request.substr(0, headEnd);
        EXPECT_EQ(head.substr(0, head.find("\r\n")), c.requestLine) << c.name;
        std::string value;
        EXPECT_TRUE(http::headerValue(head, "User-Agent", value) && value == "CeHttp") << c.name;
        EXPECT_TRUE(http::headerValue(head, "Accept", value) && value == "*/*") << c.name;
        EXPECT_FALSE(http::headerValue(head, "Content-Type", value)) << c.name;
        EXPECT_EQ(request.substr(headEnd), c.body.value_or("")) << c.name;
        if (c.body) {
            EXPECT_EQ(http::contentLength(head), static_cast<int64_t>(c.body->size())) << c.name;
        }
        EXPECT_FALSE(sink.codes.empty()) << c.name;
    }
}

// A request nobody watches gets no status callback.
TEST(WinInetTransport, NoProgressWhenNobodyListens) {
    RecordingSink sink;
    sink.progressWanted = false;
    requestSent(nullptr, sink);
    EXPECT_TRUE(sink.codes.empty()) << ::testing::PrintToString(sink.codes);
}

// An https server setting never falls back to plain HTTP: a server that does not
// speak TLS gets no request, and the attempt fails.
TEST(WinInetTransport, HttpsNeverFallsBackToPlainHttp) {
    TempDir serverDir;
    writeServerRecords(serverDir);
    LoopbackServer::Options options;
    options.folder = serverDir.folder();
    options.requestTimeoutMs = 500; // a handshake is no request: it closes soon
    LoopbackServer server(options);
    ASSERT_TRUE(server.start());
    WinInetTransport transport;
    RecordingSink sink;
    HttpAttempt attempt{L"127.0.0.1", server.port(),
                        L"/text/?action=location.downloadText&bssid=001122334455"};
    attempt.secure = true;
    EXPECT_FALSE(transport.perform(attempt, sink));
    EXPECT_EQ(sink.statusCode, 0);
    EXPECT_EQ(server.requestsSeen(), 0u);
}

struct WinInet {
    static std::unique_ptr<HttpTransport> make(HttpTimeouts timeouts) {
        return std::make_unique<WinInetTransport>(timeouts);
    }
};

using Transports = ::testing::Types<WinInet>;
INSTANTIATE_TYPED_TEST_SUITE_P(WinInet, ServerCases, Transports);

// Progress events come from WinInet's status callback, in order, and the attempt
// ends with exactly one verdict.
TEST(WinInetTransport, ReportsProgressInOrder) {
    TempDir serverDir;
    writeServerRecords(serverDir);
    LoopbackServer::Options options;
    options.folder = serverDir.folder();
    LoopbackServer server(options);
    ASSERT_TRUE(server.start());
    WinInetTransport transport;
    SteadyClock clock;
    WebAgent agent(transport, clock, WebAgent::Options{WebAgent::kWaitMs, false});
    std::vector<int> codes;
    std::vector<std::string> lines;
    {
        auto request = agent.getRequest("download");
        request->setHost(widen(server.hostAndPort()));
        request->setPath(L"/text/?action=location.downloadText&bssid=001122334455");
        request->progressCallback = [&](WebProgress code) {
            codes.push_back(static_cast<int>(code));
        };
        request->lineCallback = [&](std::string_view line) { lines.emplace_back(line); };
        request->pending = true;
    }
    agent.runPending();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), 5);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end())) << ::testing::PrintToString(codes);
    for (int code : {1, 2, 3})
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "- end");
}

} // namespace
} // namespace nearbeam::test
