#include "net/fake_transport.h"
#include "net/line_splitter.h"
#include "net/web_agent.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace nearbeam::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Recorder {
    std::vector<std::string> lines;
    std::vector<int> progress;
    void attach(WebAgent& agent, const std::string& key, const std::wstring& path,
                std::optional<std::string> body = std::nullopt) {
        auto request = agent.getRequest(key);
        request->setHost(L"server.test");
        request->setPath(path);
        request->body = std::move(body);
        request->lineCallback = [this](std::string_view line) { lines.emplace_back(line); };
        request->progressCallback = [this](WebProgress code) {
            progress.push_back(static_cast<int>(code));
        };
        request->pending = true;
    }
    int last() const { return progress.empty() ? -1 : progress.back(); }
};

FakeReply body(std::vector<std::string> chunks) {
    FakeReply reply;
    reply.chunks = std::move(chunks);
    return reply;
}

FakeReply noConnection() {
    FakeReply reply;
    reply.connects = false;
    return reply;
}

class WebAgentTest : public ::testing::Test {
  protected:
    FakeTransport transport;
    ManualClock clock{1000000};
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
};

TEST(LineSplitter, CutsLinesAsTheyArrive) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
    };
    const std::string longest(7998, 'x'); // with its line feed it just fits the buffer
    const std::string overlong(7999, 'y');
    const std::string huge(20000, 'z');
    const Case cases[] = {
        {"unfinished last line", {"one\ntwo"}, {"one"}},
        {"CR kept", {"a\r\nb\r\n"}, {"a\r", "b\r"}},
        {"split across reads", {"hel", "lo\nwo", "rld\n"}, {"hello", "world"}},
        {"empty lines", {"\n\nx\n"}, {"", "", "x"}},
        {"longest line", {longest + "\nafter\n"}, {longest, "after"}},
        {"overlong line dropped", {"before\n" + overlong + "\nafter\n"}, {"before", "after"}},
        {"huge line in pieces", {huge.substr(0, 9000), huge.substr(9000) + "\nnext\n"}, {"next"}},
        {"byte by byte", {"a", "b", "\n", "c", "\n"}, {"ab", "c"}},
    };
    for (const Case& c : cases) {
        LineSplitter splitter;
        std::vector<std::string> got;
        for (const std::string& chunk : c.chunks)
            splitter.feed(chunk.data(), chunk.size(),
                          [&](std::string_view line) { got.emplace_back(line); });
        EXPECT_EQ(got, c.lines) << c.name;
    }
}

TEST(WebRequest, SetUrl) {
    struct Case {
        const char* url;
        bool ok;
        const wchar_t* host;
        const wchar_t* path;
        bool secure;
    };
    const Case cases[] = {
        {"http://example.org/where?x=1&y=2", true, L"example.org", L"/where?x=1&y=2", false},
        {"http://example.org:8080/a?b", true, L"example.org:8080", L"/a?b", false},
        {"http://example.org/", true, L"example.org", L"/", false},
        {"https://example.org:8443/x", true, L"example.org:8443", L"/x", true},
        {"HTTP://example.org/x", false, L"old", L"/old", false},
        {"HTTPS://example.org/x", false, L"old", L"/old", false},
        {"https://example.org", false, L"old", L"/old", false},
        {"http:/", false, L"old", L"/old", false},
        {"", false, L"old", L"/old", false},
    };
    for (const Case& c : cases) {
        WebRequest request;
        request.setHost(L"old");
        request.setPath(L"/old");
        EXPECT_EQ(request.setUrl(c.url), c.ok) << c.url;
        EXPECT_EQ(request.host, c.host) << c.url;
        EXPECT_EQ(request.path, c.path) << c.url;
        EXPECT_EQ(request.secure, c.secure) << c.url;
    }
}

// A server setting may name its scheme; a bare host keeps meaning plain HTTP.
TEST(WebRequest, ServerSettingScheme) {
    struct Case {
        const wchar_t* setting;
        const wchar_t* host;
        bool secure;
    };
    const Case cases[] = {
        {L"example.org:8080", L"example.org:8080", false},
        {L"http://example.org", L"example.org", false},
        {L"https://example.org", L"example.org", true},
        {L"https://[::1]:8443", L"[::1]:8443", true},
    };
    for (const Case& c : cases) {
        WebRequest request;
        request.secure = !c.secure;
        request.setHost(c.setting);
        EXPECT_EQ(request.host, c.host) << c.setting;
        EXPECT_EQ(request.secure, c.secure) << c.setting;
    }
}

TEST(WebRequest, HostAndPort) {
    struct Case {
        const wchar_t* host;
        bool ok;
        const wchar_t* name;
        uint16_t port;
    };
    const Case cases[] = {
        {L"example.org", true, L"example.org", 0}, // the default port
        {L"example.org:8080", true, L"example.org", 8080},
        {L"127.0.0.1:1", true, L"127.0.0.1", 1},
        {L"[::1]:5000", true, L"::1", 5000},
        {L"[::1]", true, L"::1", 0},
        {L"example.org:80", true, L"example.org", 80},
        {L"example.org:", false, L"", 0},
        {L"example.org:0", false, L"", 0},
        {L"example.org:65536", false, L"", 0},
        {L"example.org:80x", false, L"", 0},
    };
    for (const Case& c : cases) {
        std::wstring name;
        uint16_t port = 0;
        ASSERT_EQ(splitHostPort(c.host, name, port), c.ok);
        if (c.ok) {
            EXPECT_EQ(name, c.name);
            EXPECT_EQ(port, c.port);
        }
    }
}

TEST_F(WebAgentTest, PerformsInByteOrderOfKeysAndRemovesDoneRequests) {
    Recorder upload, download, service, accented;
    upload.attach(agent, "upload", L"/up", std::string("data"));
    accented.attach(agent, "\xe9t\xe9", L"/accented"); // bytes above 127 sort last
    service.attach(agent, "http://svc/{bssid}", L"/svc");
    download.attach(agent, "download", L"/down");
    agent.runPending();
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].path, L"/down");
    EXPECT_EQ(seen[1].path, L"/svc"); // "http..." sorts between "download" and "upload"
    EXPECT_EQ(seen[2].path, L"/up");
    EXPECT_EQ(seen[3].path, L"/accented");
    EXPECT_FALSE(agent.isPending("download"));
    EXPECT_FALSE(agent.removeRequest("upload")); // gone after success
}

TEST_F(WebAgentTest, SendsGetOrPostByBodyAndConnectsToTheGivenPort) {
    Recorder get, post;
    get.attach(agent, "a", L"/get");
    post.attach(agent, "b", L"/post", std::string());
    {
        auto request = agent.getRequest("c");
        request->setHost(L"127.0.0.1:8123");
        request->setPath(L"/port");
        request->pending = true;
    }
    agent.runPending();
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_FALSE(seen[0].post);
    EXPECT_TRUE(seen[1].post);
    EXPECT_EQ(seen[1].body, "");
    EXPECT_EQ(seen[0].port, 0); // no port written: the default HTTP port
    EXPECT_EQ(seen[2].host, L"127.0.0.1");
    EXPECT_EQ(seen[2].port, 8123);
}

TEST_F(WebAgentTest, DeliversLinesAndEndsWithOneVerdict) {
    Recorder r;
    transport.queue(body({"- aps\n00112233", "4455\t1\r\n", "cut"}));
    r.attach(agent, "download", L"/x");
    agent.runPending();
    EXPECT_THAT(r.lines, ElementsAre("- aps", "001122334455\t1\r"));
    EXPECT_THAT(r.progress, ElementsAre(0, 1, 2, 3, 4, 4, 4, 5));
}

TEST_F(WebAgentTest, FailedAttemptsKeepTheRequestQueued) {
    struct Case {
        const char* name;
        FakeReply reply;
    };
    FakeReply error = body({"- end\n"});
    error.status = 500;
    FakeReply redirect = body({"- end\n"});
    redirect.status = 302;
    FakeReply shortReply = body({"- aps\n"});
    shortReply.contentLength = 100;
    FakeReply broken = body({"- aps\n"});
    broken.endsCleanly = false;
    const Case cases[] = {{"no connection", noConnection()},
                          {"server error", error},
                          {"redirect", redirect},
                          {"shorter than declared", shortReply},
                          {"broken connection", broken}};
    for (const Case& c : cases) {
        FakeTransport t;
        WebAgent a(t, clock, WebAgent::Options{WebAgent::kWaitMs, false});
        Recorder r;
        t.queue(c.reply);
        r.attach(a, "download", L"/x");
        a.runPending();
        EXPECT_EQ(r.last(), 6) << c.name;
        EXPECT_EQ(std::count(r.progress.begin(), r.progress.end(), 5), 0) << c.name;
        EXPECT_TRUE(a.isPending("download")) << c.name;
        if (c.reply.status != 200) {
            EXPECT_THAT(r.lines, IsEmpty()) << c.name; // an error page's body is not read
        }
    }
}

TEST_F(WebAgentTest, FailureEndsThePassAndOpensTheRetryWindow) {
    Recorder a, b;
    transport.queue(noConnection());
    a.attach(agent, "a", L"/a");
    b.attach(agent, "b", L"/b");
    agent.runPending();
    EXPECT_EQ(transport.seen().size(), 1u); // "b" waits for a later pass
    EXPECT_EQ(a.last(), 6);
    EXPECT_THAT(b.progress, IsEmpty());

    clock.advance(60000);
    agent.runTimedPass();
    EXPECT_EQ(transport.seen().size(), 1u); // inside the window
    clock.advance(240000);
    agent.runTimedPass();
    EXPECT_EQ(transport.seen().size(), 1u); // exactly 300000 ms after: still inside
    clock.advance(1);
    agent.runTimedPass();
    ASSERT_EQ(transport.seen().size(), 3u);
    EXPECT_EQ(a.last(), 5);
    EXPECT_EQ(b.last(), 5);
}

TEST_F(WebAgentTest, WakeRunsAtOnceInsideTheRetryWindow) {
    Recorder a;
    transport.queue(noConnection());
    a.attach(agent, "download", L"/a");
    agent.runPending();
    clock.advance(1000);
    agent.runPending(); // what the worker does on a wake
    EXPECT_EQ(transport.seen().size(), 2u);
    EXPECT_EQ(a.last(), 5);
}

TEST_F(WebAgentTest, RetryWindowAcrossTheTickCounterWrap) {
    Recorder a;
    clock.set(0xFFFFFFFFu - 1000);
    transport.queue(noConnection());
    a.attach(agent, "download", L"/a");
    agent.runPending(); // retry-after wraps to 298999
    clock.advance(500);
    agent.runTimedPass();
    EXPECT_EQ(transport.seen().size(), 1u);
    clock.set(298999 + 1);
    agent.runTimedPass();
    EXPECT_EQ(transport.seen().size(), 2u);
}

TEST_F(WebAgentTest, TimedPassRunsWhenRetryAfterIsFarAhead) {
    Recorder a;
    transport.queue(noConnection());
    a.attach(agent, "download", L"/a");
    agent.runPending(); // retry-after = 1300000
    clock.set(500000);  // the counter went back: 800000 ms ahead
    agent.runTimedPass();
    EXPECT_EQ(transport.seen().size(), 2u);
}

TEST_F(WebAgentTest, NotPendingRequestsStayAndAreSkipped) {
    { agent.getRequest("idle")->setPath(L"/idle"); }
    agent.runPending();
    EXPECT_THAT(transport.seen(), IsEmpty());
    EXPECT_TRUE(agent.removeRequest("idle"));
}

TEST_F(WebAgentTest, RequestRefilledDuringItsAttemptIsNotLost) {
    Recorder first, second;
    first.attach(agent, "download", L"/first");
    transport.duringAttempt = [&] { second.attach(agent, "download", L"/second"); };
    agent.runPending();
    EXPECT_EQ(first.last(), 5);
    ASSERT_TRUE(agent.isPending("download"));
    agent.runPending();
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].path, L"/second");
    EXPECT_FALSE(agent.isPending("download"));
}

TEST(WebAgentWorker, WakeRunsAPassAndStopEndsTheWorker) {
    FakeTransport transport;
    SteadyClock clock;
    WebAgent agent(transport, clock);
    std::promise<void> done;
    {
        auto request = agent.getRequest("download");
        request->setHost(L"server.test");
        request->setPath(L"/x");
        request->progressCallback = [&](WebProgress code) {
            if (code == WebProgress::Completed)
                done.set_value();
        };
        request->pending = true;
    }
    agent.wake();
    done.get_future().wait();
    agent.stop();
    EXPECT_EQ(transport.seen().size(), 1u);
}

TEST(WebAgentWorker, TimedPassesRetryWithoutAWake) {
    FakeTransport transport;
    ManualClock clock(5000000);
    WebAgent agent(transport, clock, WebAgent::Options{10, true}); // short waits
    std::promise<void> done;
    transport.queue(noConnection());
    {
        auto request = agent.getRequest("download");
        request->setHost(L"server.test");
        request->setPath(L"/x");
        request->progressCallback = [&](WebProgress code) {
            if (code == WebProgress::Completed)
                done.set_value();
        };
        request->pending = true;
    }
    agent.wake();
    // The worker's own timed passes perform it again once the window has passed.
    auto finished = done.get_future();
    while (finished.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        clock.advance(WebAgent::kRetryWindowMs + 1);
    agent.stop();
    EXPECT_EQ(transport.seen().size(), 2u);
}

// Settling is a timed pass run at once and waited for: an attempt under way is
// waited out, and a failed request is tried again only after the retry window.
TEST(WebAgentWorker, SettleWaitsForTheDuePassOnTheClock) {
    FakeTransport transport;
    ManualClock clock(5000000);
    WebAgent agent(transport, clock); // the worker's own wait is a minute
    transport.queue(noConnection());
    {
        auto request = agent.getRequest("download");
        request->setHost(L"server.test");
        request->setPath(L"/x");
        request->pending = true;
    }
    ASSERT_TRUE(agent.settle(60000));
    EXPECT_EQ(transport.seen().size(), 1u);
    EXPECT_TRUE(agent.isPending("download"));

    clock.advance(10000);
    ASSERT_TRUE(agent.settle(60000));
    EXPECT_EQ(transport.seen().size(), 1u) << "tried again inside the retry window";

    clock.advance(WebAgent::kRetryWindowMs);
    transport.duringAttempt = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
    ASSERT_TRUE(agent.settle(60000));
    EXPECT_EQ(transport.seen().size(), 2u);
    EXPECT_FALSE(agent.isPending("download")) << "the slow attempt was not waited for";
    agent.stop();
    EXPECT_TRUE(agent.settle(60000)) << "a stopped agent has nothing to wait for";
}

} // namespace
} // namespace nearbeam::test
