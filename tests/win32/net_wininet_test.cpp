#include "net/server_cases.h"
#include "net/win32/wininet_transport.h"

namespace nearbeam::test {
namespace {

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
    LocationServer::Options options;
    options.folder = serverDir.folder();
    LocationServer server(options);
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
