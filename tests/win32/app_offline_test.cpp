// nearbeam.exe without a usable location server: the tray says so and the program
// does not ask again every tick.

#include "app_program.h"
#include "base/text.h"
#include "support/loopback_server.h"

namespace nearbeam::test {
namespace {

const TraceLine kNoConnection{"tick", "1280", "I need a map (no internet connection)"};

void pointAt(const std::wstring& host) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\APDB", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Server", 0, REG_SZ, reinterpret_cast<const BYTE*>(host.c_str()),
                   static_cast<DWORD>((host.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

Misbehaviour answersHttpError() {
    Misbehaviour m;
    m.httpError = true;
    return m;
}

class Offline : public ::testing::Test {
  protected:
    void SetUp() override { freshProfile(); }
    Program program;
};

// The profile's server is a port nobody listens on.
TEST_F(Offline, ARefusedConnectionShowsNoConnectionAndIsNotRetriedEveryTick) {
    program.scenario("at 0\nap 00:11:22:33:44:e1 -40 2412000 infra open \"Cafe\"\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    // The first tick asks; whether the refusal is back by the time it shows its
    // status depends on how far the worker has got.
    const TraceLine first = program.trace("tick")[0];
    EXPECT_TRUE(first == (TraceLine{"tick", "196608", "Trying to find a map server..."}) ||
                first == kNoConnection)
        << first[1];
    ASSERT_TRUE(program.tickUntil("1280"));
    const size_t failedAt = program.ticks();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(program.tick());
    const auto ticks = program.trace("tick");
    for (size_t i = failedAt - 1; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i], kNoConnection) << "tick " << i;
    EXPECT_EQ(program.trace("tooltip").back(),
              (TraceLine{"tooltip", "124", "I need a map (no internet connection)"}));
}

// A server that answers HTTP 500 is asked once for the access point; another
// access point is asked at once.
TEST_F(Offline, AnHttpErrorIsAskedOnceAndAnotherAccessPointAtOnce) {
    // The server knows the second access point, but first answers HTTP 500.
    TempDir records;
    records.write("building.txt", "44\t0\t3\tHarbour Hall\t\t0\r\n");
    records.write("ap.txt", "0011223344e2\t44\t0\t\t\t0\r\n");
    LoopbackServer server({records.folder(), 0, answersHttpError(), 10000, {}});
    ASSERT_TRUE(server.start());
    pointAt(widen(server.hostAndPort()));

    // A stronger second access point comes into range after six seconds (time
    // enough on a busy machine for what comes before).
    program.scenario("at 0\nap 00:11:22:33:44:e1 -50 2412000 infra open \"Cafe\"\n"
                     "at 6\nap 00:11:22:33:44:e1 -50 2412000 infra open \"Cafe\"\n"
                     "ap 00:11:22:33:44:e2 -30 2412000 infra open \"Hall\"\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    ASSERT_TRUE(program.tickUntil("1280"));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(program.tick());
    EXPECT_EQ(program.trace("tick").back(), kNoConnection);
    EXPECT_EQ(server.requestsSeen(), 1u);

    server.setMisbehaviour({});
    ASSERT_TRUE(program.waitForScenarioSecond(6)); // the second access point comes
    ASSERT_TRUE(program.tick());
    ASSERT_TRUE(program.tickUntil("8192"));
    EXPECT_EQ(program.trace("tooltip").back(),
              (TraceLine{"tooltip", "122", "You are at Harbour Hall"}));
    EXPECT_EQ(server.requestsSeen(), 2u);
}

} // namespace
} // namespace nearbeam::test
