// nearbeam.exe from the outside: started with a scenario and a trace, ticked by
// WM_TIMER, ended by the Exit command.

#include "app_program.h"
#include "support/loopback_server.h"

#include <shellapi.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

// A small town: the library is known here, the hall too (under a name long
// enough to be cut in the tooltip), one access point was asked of the server
// before and is unknown there.
void town(Program& program) {
    program.data("country.txt", "1\tNorway\t0\n");
    program.data("province.txt", "2\t1\tVestland\t0\n");
    program.data("city.txt", "3\t2\tBergen\t0\n");
    program.data("building.txt",
                 "10\t0\t3\tLibrary\tMain St 1\t0\n"
                 "11\t0\t3\tNorthern Faculty Building of Mathematics and Natural Sciences\t\t0\n");
    program.data("ap.txt", "0011223344a1\t10\t0\t2\tDesk\t0\n"
                           "0011223344a2\t11\t0\t\tGreat Auditorium\t0\n");
    program.data("apchecked.txt", "0011223344c1\n");
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProfile();
        town(program);
    }
    // A location server that places the cafe's access point, named with its port
    // by the Server setting, and a walk that finds that access point.
    void serveTheCafe() {
        records.write("city.txt", "3\t2\tBergen\t0\r\n");
        records.write("building.txt", "44\t0\t3\tCaf\xe9 Fjord\tQuay Street 12\t0\r\n");
        records.write("ap.txt", "0011223344e1\t44\t0\t\t\t0\r\n");
        LoopbackServer::Options options;
        options.folder = records.folder();
        server = std::make_unique<LoopbackServer>(options);
        ASSERT_TRUE(server->start());
        const std::wstring host = L"127.0.0.1:" + std::to_wstring(server->port());
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\APDB", L"Server", REG_SZ,
                        host.c_str(), static_cast<DWORD>((host.size() + 1) * sizeof(wchar_t)));
        program.scenario("at 0\nap 00:11:22:33:44:e1 -40 2412000 infra open \"Cafe\"\n");
    }
    Program program;
    TempDir records;
    std::unique_ptr<LoopbackServer> server;
};

TEST_F(EndToEnd, StartsLostWithoutAccessPointsAndExitsCleanly) {
    program.scenario("at 0\n");
    ASSERT_TRUE(program.start());
    HWND window = program.window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    ASSERT_TRUE(program.tick());

    const auto trace = program.trace();
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[0], (TraceLine{"tick", "384", "I am lost (no wireless signal available)"}));
    EXPECT_EQ(trace[1], (TraceLine{"tooltip", "124", "I am lost (no wireless signal available)"}));
    EXPECT_EQ(program.trace("tooltip").size(), 1u);

    // The icon is there until Exit, which ends the program with exit code 0.
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V3_SIZE;
    icon.hWnd = window;
    icon.uID = 0;
    icon.uFlags = NIF_TIP;
    wcscpy(icon.szTip, L"probe");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &icon));
    PostMessageW(window, WM_COMMAND, 40018, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &icon));
}

TEST_F(EndToEnd, AKnownPlaceWithAGoodSignalSaysAtAndAlertsOnce) {
    program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(program.tick());

    const auto ticks = program.trace("tick");
    EXPECT_EQ(ticks[0], (TraceLine{"tick", "8192", "You are at Library, Desk (2nd floor)"}));
    // The same text again changes neither icon nor tooltip and alerts no more.
    EXPECT_EQ(program.trace("tooltip"),
              (std::vector<TraceLine>{{"tooltip", "122", "You are at Library, Desk (2nd floor)"}}));
    EXPECT_EQ(program.trace("alert"),
              (std::vector<TraceLine>{
                  {"alert", "Your location...", "You are at Library, Desk (2nd floor)", ""}}));
}

TEST_F(EndToEnd, AKnownPlaceWithAWeakSignalSaysNearWithoutAlert) {
    program.scenario("at 0\nap 00:11:22:33:44:a1 -60 2437000 infra open \"Campus\"\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    ASSERT_TRUE(program.tick());
    EXPECT_EQ(
        program.trace("tooltip"),
        (std::vector<TraceLine>{{"tooltip", "122", "You are near Library, Desk (2nd floor)"}}));
    EXPECT_TRUE(program.trace("alert").empty());
}

TEST_F(EndToEnd, AfterTheAccessPointsVanishItSaysLastSeen) {
    // Three seconds leave a busy machine time for the first tick.
    program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\nat 3\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    ASSERT_EQ(program.trace("tick")[0][1], "8192") << "the first tick came after the block";
    ASSERT_TRUE(program.waitForScenarioSecond(3)); // the scenario's empty block begins
    // The table forgets an access point 120 seconds (twelve ticks) after it was seen.
    for (int i = 0; i < 13; ++i)
        ASSERT_TRUE(program.tick());
    // The fading signal first turns "at" into "near".
    const auto tooltips = program.trace("tooltip");
    ASSERT_EQ(tooltips.size(), 3u);
    EXPECT_EQ(tooltips[0][2], "You are at Library, Desk (2nd floor)");
    EXPECT_EQ(tooltips[1][2], "You are near Library, Desk (2nd floor)");
    EXPECT_EQ(tooltips[2], (TraceLine{"tooltip", "122", "You were last seen at Library"}));
    EXPECT_EQ(program.trace("tick").back()[1], "128");
    EXPECT_EQ(program.trace("alert").size(), 1u);
}

TEST_F(EndToEnd, AnAccessPointTheServerDoesNotKnowMakesItCurious) {
    program.scenario("at 0\nap 00:11:22:33:44:c1 -40 2437000 infra open \"Cafe\"\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    EXPECT_EQ(program.trace("tick")[0], (TraceLine{"tick", "16384", "I'm curious, where are we?"}));
    EXPECT_EQ(program.trace("tooltip"),
              (std::vector<TraceLine>{{"tooltip", "123", "I'm curious, where are we?"}}));
}

TEST_F(EndToEnd, TheTooltipShowsTheFirst63Characters) {
    program.scenario("at 0\nap 00:11:22:33:44:a2 -40 2437000 infra open \"\"\n");
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    const std::string place =
        "Northern Faculty Building of Mathematics and Natural Sciences, Great Auditorium";
    EXPECT_EQ(program.trace("tick")[0], (TraceLine{"tick", "8192", place}));
    EXPECT_EQ(program.trace("tooltip"),
              (std::vector<TraceLine>{{"tooltip", "122", place.substr(0, 63)}}));
}

// The Server setting, with a port, names the location server that places the
// access points the local database does not know.
TEST_F(EndToEnd, APlaceOnlyTheServerKnowsIsDownloaded) {
    serveTheCafe();
    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    // The first tick shows a stage of the request; which one depends on how far
    // the worker has got by then.
    const std::string first = program.trace("tick")[0][1];
    EXPECT_TRUE(first == "196608" || first == "327680" || first == "589824" || first == "1114112")
        << first;
    ASSERT_TRUE(program.tickUntil("8192"));
    EXPECT_EQ(program.trace("tooltip").front()[1], "125");
    EXPECT_EQ(program.trace("tooltip").back(),
              (TraceLine{"tooltip", "122", "You are at Caf\xc3\xa9 Fjord"}));
    ASSERT_FALSE(program.trace("alert").empty()) << program.read("trace.txt");
    EXPECT_EQ(program.trace("alert").back()[2], "You are at Caf\xc3\xa9 Fjord");
    EXPECT_GE(server->requestsSeen(), 1u);
}

// Private mode (the registry's PrivateMode, and the tray's item) asks the server
// nothing and says so in the tooltip; turned off, the download goes ahead.
TEST_F(EndToEnd, PrivateModeKeepsEverythingHereUntilTurnedOff) {
    serveTheCafe();
    DWORD on = 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Nearbeam", L"PrivateMode", REG_DWORD, &on, 4);

    ASSERT_TRUE(program.start());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.waitForTicks(1));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(program.tick());
    EXPECT_EQ(program.trace("tooltip"),
              (std::vector<TraceLine>{{"tooltip", "123", "I'm curious, where are we? (private)"}}));
    EXPECT_EQ(server->requestsSeen(), 0u);

    PostMessageW(program.window(), WM_COMMAND, 40080, 0);
    ASSERT_TRUE(program.tickUntil("8192"));
    DWORD mode = 1, size = sizeof mode;
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Nearbeam", L"PrivateMode", RRF_RT_REG_DWORD,
                 nullptr, &mode, &size);
    EXPECT_EQ(mode, 0u);
    EXPECT_EQ(program.trace("tooltip").back(),
              (TraceLine{"tooltip", "122", "You are at Caf\xc3\xa9 Fjord"}));
    EXPECT_GE(server->requestsSeen(), 1u);
}

TEST_F(EndToEnd, AScenarioThatDoesNotLoadIsNamedAndEndsTheProgram) {
    program.scenario("at 0\nap 00:11:22:33:44 -40 2437000 infra open \"x\"\n");
    ASSERT_TRUE(program.start());
    HWND box = program.dialog();
    ASSERT_NE(box, nullptr);
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    const std::wstring message = text;
    EXPECT_NE(message.find(L"walk.txt"), std::wstring::npos);
    EXPECT_NE(message.find(L"line 2"), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.waitForExit(), 1);
    EXPECT_EQ(FindWindowW(L"NEARBEAM", L"802.11 Scanner"), nullptr);
}

// The message loop runs a fast replay to its end: the ticks back to back, ten
// seconds apart on the scenario's clock, until the library's access point, last
// heard at 20 s, has been out of the scan table's age of 120 s, then exit code 0.
TEST_F(EndToEnd, AFastReplayRunsTheTicksBackToBackAndEnds) {
    program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\nat 20\n");
    ASSERT_TRUE(program.start(L" --fast"));
    EXPECT_EQ(program.waitForExit(), 0);
    std::vector<long> times;
    std::istringstream lines(program.read("trace.txt"));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\ttick\t") != std::string::npos)
            times.push_back(std::stol(line));
    }
    ASSERT_EQ(times.size(), 16u);
    for (size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(times[i], static_cast<long>(i) * 10000);
    EXPECT_EQ(program.trace("tick")[0],
              (TraceLine{"tick", "8192", "You are at Library, Desk (2nd floor)"}));
}

// --survey on a fast replay: one scan of the place a tick, each stored at once
// with status 3, then exit code 0; a building not in the records: exit code 1
// and nothing written.
TEST_F(EndToEnd, ASurveyFromTheCommandLineRecordsItsScansAndEnds) {
    program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\n"
                     "ap 00:11:22:33:44:b1 -60 2437000 infra open \"Cafe_nomap\"\n");
    ASSERT_TRUE(program.start(L" --fast --survey \"Library/2/Reading room\" --scans 3"));
    EXPECT_EQ(program.waitForExit(), 0);
    std::istringstream lines(program.read("data/scans.txt"));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_EQ(line.substr(0, 20), "10\t2\tReading room\t3\t") << line;
        EXPECT_EQ(line.substr(20 + 20), "\t0011223344a1:-40\r") << line; // after the time
    }
    EXPECT_EQ(count, 3);
}

TEST_F(EndToEnd, ASurveyOfABuildingNotInTheRecordsWritesNothing) {
    program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\n");
    ASSERT_TRUE(program.start(L" --fast --survey \"Museum/1/Hall\""));
    EXPECT_EQ(program.waitForExit(), 1);
    EXPECT_FALSE(program.exists("data/scans.txt"));
}

} // namespace
} // namespace nearbeam::test
