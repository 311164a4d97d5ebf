#include "net/curl_transport.h"
#include "net/server_cases.h"
#include "net/tls_server.h"

#include <chrono>
#include <future>

namespace nearbeam::test {
namespace {

struct Curl {
    static std::unique_ptr<HttpTransport> make(HttpTimeouts timeouts) {
        return std::make_unique<CurlTransport>(CurlTransport::Options{timeouts, {}});
    }
};

using Transports = ::testing::Types<Curl>;
INSTANTIATE_TYPED_TEST_SUITE_P(Curl, ServerCases, Transports);

// The worker stops while an attempt waits on a server that never answers.
TEST(CurlTransport, StoppingTheAgentEndsAHangingAttempt) {
    TempDir serverDir;
    LoopbackServer::Options options;
    options.folder = serverDir.folder();
    options.misbehaviour.hang = true;
    LoopbackServer server(options);
    ASSERT_TRUE(server.start());
    HttpTimeouts timeouts;
    timeouts.receiveMs = 600000; // far longer than the test may take
    CurlTransport transport({timeouts, {}});
    SteadyClock clock;
    WebAgent agent(transport, clock);
    std::promise<int> verdict;
    {
        auto request = agent.getRequest("download");
        request->setHost(widen(server.hostAndPort()));
        request->setPath(L"/text/?action=location.downloadText&bssid=001122334455");
        request->progressCallback = [&](WebProgress code) {
            if (code >= WebProgress::Completed)
                verdict.set_value(static_cast<int>(code));
        };
        request->pending = true;
    }
    agent.wake();
    for (int i = 0; i < 6000 && server.requestsSeen() == 0; ++i) // at most half a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(server.requestsSeen(), 1u);
    agent.stop();
    EXPECT_EQ(verdict.get_future().get(), static_cast<int>(WebProgress::Failed));
    EXPECT_TRUE(agent.isPending("download")); // still queued for the next run
}

TEST(CurlTransport, SendsAPlainHttp10Request) {
    // A one-shot listener that records the request and answers a fixed reply.
    uint16_t port = 0;
    net::Socket listener = net::listenOnLoopback(0, port);
    ASSERT_TRUE(listener.valid());
    std::string request;
    std::thread peer([&] {
        net::Socket client;
        if (net::acceptFrom(listener, client, 5000) != net::IoResult::Ok)
            return;
        char buffer[4096];
        size_t got = 0;
        while (request.find("\r\n\r\nbody") == std::string::npos &&
               client.receive(buffer, sizeof buffer, got, 5000) == net::IoResult::Ok)
            request.append(buffer, got);
        const std::string reply = "HTTP/1.0 200 OK\r\n\r\nline\n";
        client.sendAll(reply.data(), reply.size(), 5000);
        client.shutdownSend();
        client.waitReadable(5000);
    });
    CurlTransport transport;
    struct Sink : HttpSink {
        std::string bytes;
        int code = 0;
        void progress(WebProgress) override {}
        bool status(int c, int64_t) override {
            code = c;
            return true;
        }
        bool received(const char* data, size_t n) override {
            bytes.append(data, n);
            return true;
        }
    } sink;
    const std::string body = "body";
    HttpAttempt attempt{L"127.0.0.1", port, L"/text/?action=location.uploadText", &body};
    EXPECT_TRUE(transport.perform(attempt, sink));
    peer.join();
    EXPECT_EQ(request, "POST /text/?action=location.uploadText HTTP/1.0\r\n"
                       "Host: 127.0.0.1:" +
                           std::to_string(port) +
                           "\r\nUser-Agent: CeHttp\r\nAccept: */*\r\nPragma: no-cache\r\n"
                           "Content-Length: 4\r\n\r\nbody");
    EXPECT_EQ(sink.code, 200);
    EXPECT_EQ(sink.bytes, "line\n");
}

// An https server setting goes over TLS, and only to a server whose certificate the
// transport trusts for the name it asked for.
TEST(CurlTransport, HttpsOnlyToATrustedCertificate) {
    TlsServer server;
    ASSERT_NE(server.port(), 0);
    struct Case {
        const wchar_t* host;
        bool trustIt;
        bool ok;
    };
    const Case cases[] = {
        {L"127.0.0.1", true, true},   // trusted
        {L"127.0.0.1", false, false}, // an unknown authority
        {L"localhost", true, false},  // another name
    };
    for (const Case& c : cases) {
        CurlTransport transport({{}, c.trustIt ? server.certificate() : ""});
        SteadyClock clock;
        WebAgent agent(transport, clock, {WebAgent::kWaitMs, false});
        std::vector<std::string> lines;
        WebProgress verdict = WebProgress::Resolving;
        {
            auto request = agent.getRequest("download");
            request->setHost(L"https://" + std::wstring(c.host) + L":" +
                             std::to_wstring(server.port()));
            request->setPath(L"/text/?action=location.downloadText&bssid=001122334455");
            request->lineCallback = [&](std::string_view line) { lines.emplace_back(line); };
            request->progressCallback = [&](WebProgress code) { verdict = code; };
            request->pending = true;
        }
        agent.runPending();
        EXPECT_EQ(verdict, c.ok ? WebProgress::Completed : WebProgress::Failed) << c.host;
        EXPECT_EQ(!lines.empty() && lines[0].rfind("<HTML>", 0) == 0, c.ok) << c.host;
    }
}

} // namespace
} // namespace nearbeam::test
