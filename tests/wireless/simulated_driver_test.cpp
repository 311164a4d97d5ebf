#include "wireless/simulated_driver.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "support/temp_dir.h"
#include "wireless/wireless_device.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam {
namespace {

const char* const kExample = R"(# comment lines and blank lines are ignored
adapter {8E2C6D1A-0000-4000-8000-000000000001} Simulated adapter   # optional, repeatable

at 0                                   # seconds since the driver was made
ap 00:11:22:33:44:55 -48 2437000 infra wep "Campus"
ap 00:11:22:33:44:66 -71 5180000 infra open ""
ap 02:aa:bb:cc:dd:ee -80 2412000 adhoc open "Phone \"hotspot\" \x3cb\x3e"
associated 00:11:22:33:44:55           # optional; no line means not associated
at 30
ap 00:11:22:33:44:66 -60 5180000 infra open "Campus"
at 90                                  # an empty block: nothing in range
)";

Scenario parsed(const std::string& text) {
    ScenarioLoad load = parseScenario(text);
    EXPECT_TRUE(load) << load.describe();
    return load.scenario.value_or(Scenario{});
}

TEST(Scenario, ParsesEveryField) {
    const Scenario s = parsed(kExample);
    ASSERT_EQ(s.adapters.size(), 1u);
    EXPECT_EQ(s.adapters[0].name, L"{8E2C6D1A-0000-4000-8000-000000000001}");
    EXPECT_EQ(s.adapters[0].description, L"Simulated adapter");
    ASSERT_EQ(s.blocks.size(), 3u);
    EXPECT_EQ(s.blocks[0].atSeconds, 0);
    EXPECT_EQ(s.blocks[1].atSeconds, 30);
    EXPECT_EQ(s.blocks[2].atSeconds, 90);
    ASSERT_EQ(s.blocks[0].accessPoints.size(), 3u);
    const AccessPointRecord& campus = s.blocks[0].accessPoints[0];
    EXPECT_EQ(campus.bssid, (Bssid{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(campus.rssi, -48);
    EXPECT_EQ(campus.frequencyKhz, 2437000u);
    EXPECT_EQ(campus.mode, InfrastructureMode::Infrastructure);
    EXPECT_TRUE(campus.privacy);
    EXPECT_EQ(campus.ssid, "Campus");
    EXPECT_EQ(s.blocks[0].accessPoints[1].ssid, "");
    EXPECT_FALSE(s.blocks[0].accessPoints[1].privacy);
    const AccessPointRecord& phone = s.blocks[0].accessPoints[2];
    EXPECT_EQ(phone.bssid, (Bssid{0x02, 0xaa, 0xbb, 0xcc, 0xdd, 0xee}));
    EXPECT_EQ(phone.mode, InfrastructureMode::Independent);
    EXPECT_EQ(phone.ssid, "Phone \"hotspot\" <b>");
    EXPECT_EQ(s.blocks[0].associated, (Bssid{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(s.blocks[1].associated, std::nullopt);
    EXPECT_TRUE(s.blocks[2].accessPoints.empty());
}

TEST(Scenario, DetailsOfTheFormat) {
    const Scenario s = parsed("\xEF\xBB\xBF"
                              "at 5\r\n"
                              "ap AA:BB:cc:DD:ee:FF 0 0 auto open \"# not a comment \\\\\"\r\n"
                              "ap 00:00:00:00:00:01 -100 5805000 infra open "
                              "\"12345678901234567890123456789012\"\n"
                              "ap 00:00:00:00:00:02 -50 2412000 infra open \"\\x00\\xfF\"\n"
                              "\tat\t7\t#tabs\n");
    EXPECT_EQ(s.adapters.size(), 1u); // the default adapter
    EXPECT_EQ(s.adapters[0].name, kSimulatedAdapterName);
    ASSERT_EQ(s.blocks.size(), 2u);
    const auto& aps = s.blocks[0].accessPoints;
    ASSERT_EQ(aps.size(), 3u);
    EXPECT_EQ(aps[0].bssid, (Bssid{0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}));
    EXPECT_EQ(aps[0].mode, InfrastructureMode::Automatic);
    EXPECT_EQ(aps[0].ssid, "# not a comment \\");
    EXPECT_EQ(aps[1].ssid.size(), 32u);
    EXPECT_EQ(aps[2].ssid, std::string("\0\xff", 2));
    EXPECT_EQ(s.blocks[1].atSeconds, 7);
}

TEST(Scenario, MalformedLinesAreRefusedWithTheirNumber) {
    struct Case {
        const char* text;
        int line;
        const char* message; // a part of the message
    };
    const Case cases[] = {
        {"at 0\nap 00:11:22:33:44:5 -40 2412000 infra open \"x\"\n", 2, "bad BSSID"},
        {"at 0\nap 00-11-22-33-44-55 -40 2412000 infra open \"x\"\n", 2, "bad BSSID"},
        {"at 0\nap 00:11:22:33:44:gg -40 2412000 infra open \"x\"\n", 2, "bad BSSID"},
        {"at 0\nap 00:11:22:33:44:55 -4x 2412000 infra open \"x\"\n", 2, "bad RSSI"},
        {"at 0\nap 00:11:22:33:44:55 -99999999999 2412000 infra open \"x\"\n", 2, "bad RSSI"},
        {"at 0\nap 00:11:22:33:44:55 -40 -5 infra open \"x\"\n", 2, "bad frequency"},
        {"at 0\nap 00:11:22:33:44:55 -40 4294967296 infra open \"x\"\n", 2, "bad frequency"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 bss open \"x\"\n", 2, "bad mode"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra wpa \"x\"\n", 2, "bad privacy"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open x\n", 2, "double quotes"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open \"x\n", 2, "not closed"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open \"x\"y\n", 2, "closing quote"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open \"\\n\"\n", 2, "unknown escape"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open \"\\x4\"\n", 2, "two hexadecimal"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open \"x\\\"\n", 2, "not closed"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open "
         "\"123456789012345678901234567890123\"\n",
         2, "33 bytes"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open\n", 2, "6 fields"},
        {"at 0\nap 00:11:22:33:44:55 -40 2412000 infra open \"x\" extra\n", 2, "6 fields"},
        {"ap 00:11:22:33:44:55 -40 2412000 infra open \"x\"\n", 1, "before the first at"},
        {"# intro\n\nassociated 00:11:22:33:44:55\n", 3, "before the first at"},
        {"at 0\nassociated 00:11:22:33:44:55\nassociated 00:11:22:33:44:66\n", 3, "second"},
        {"at 0\nassociated nobody\n", 2, "bad BSSID"},
        {"at 10\nat 10\n", 2, "not after"},
        {"at 10\nat 5\n", 2, "not after"},
        {"at -1\n", 1, "bad time"},
        {"at soon\n", 1, "bad time"},
        {"at\n", 1, "one time"},
        {"adapter\n", 1, "needs a name"},
        {"adapter {A} one\nadapter {A} two\n", 2, "twice"},
        {"at 0\nAP 00:11:22:33:44:55 -40 2412000 infra open \"x\"\n", 2, "unknown keyword"},
        {"at 0\n\"ap\"\n", 2, "must start"},
    };
    for (const Case& c : cases) {
        const ScenarioLoad load = parseScenario(c.text);
        EXPECT_FALSE(load) << c.text;
        EXPECT_FALSE(load.scenario.has_value());
        EXPECT_EQ(load.line, c.line) << c.text;
        EXPECT_NE(load.message.find(c.message), std::string::npos)
            << c.text << " -> " << load.message;
        EXPECT_EQ(load.describe().rfind("line " + std::to_string(c.line) + ": ", 0), 0u);
    }
}

TEST(Scenario, ANulByteIsRefused) {
    const std::string text("at 0\nap \0x\n", 11);
    const ScenarioLoad load = parseScenario(text);
    EXPECT_FALSE(load);
    EXPECT_EQ(load.line, 2);
}

TEST(Scenario, LoadsFromAFile) {
    test::TempDir dir;
    dir.write("walk.txt", kExample);
    const ScenarioLoad load = loadScenario(dir.file("walk.txt"));
    ASSERT_TRUE(load) << load.describe();
    EXPECT_EQ(load.scenario->blocks.size(), 3u);

    const ScenarioLoad missing = loadScenario(dir.file("absent.txt"));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.line, 0);
    EXPECT_NE(missing.describe().find("absent.txt"), std::string::npos);
}

TEST(SimulatedDriver, ReplaysTheBlocksAsTimeGoesOn) {
    ManualClock clock(0xFFFFF000u); // the tick count wraps during the run
    SimulatedDriver driver(clock, parsed("at 2\n"
                                         "ap 00:00:00:00:00:01 -50 2412000 infra open \"a\"\n"
                                         "associated 00:00:00:00:00:01\n"
                                         "at 30\n"
                                         "ap 00:00:00:00:00:02 -60 2412000 infra open \"b\"\n"
                                         "ap 00:00:00:00:00:03 -70 2412000 infra open \"c\"\n"
                                         "at 90\n"));
    ASSERT_TRUE(driver.open(L"{anything}"));
    std::vector<AccessPointRecord> out{AccessPointRecord{}};
    struct Step {
        uint32_t advanceMs;
        size_t count;
        bool associated;
    };
    const Step steps[] = {
        {0, 0, false}, // before the first block: nothing in range
        {1999, 0, false},  {1, 1, true},  {27999, 1, true},      {1, 2, false},
        {59999, 2, false}, {1, 0, false}, {100000000, 0, false},
    };
    for (const Step& step : steps) {
        clock.advance(step.advanceMs);
        EXPECT_EQ(driver.listQuery(out), QueryStatus::Ok);
        EXPECT_EQ(out.size(), step.count) << driver.elapsedSeconds();
        EXPECT_EQ(driver.associatedBssid().has_value(), step.associated) << driver.elapsedSeconds();
    }
    EXPECT_EQ(driver.elapsedSeconds(), 100090);
}

TEST(SimulatedDriver, AClosedDriverAnswersNothing) {
    ManualClock clock;
    SimulatedDriver driver(clock, parsed(kExample));
    std::vector<AccessPointRecord> out;
    EXPECT_EQ(driver.listQuery(out), QueryStatus::Failed);
    EXPECT_EQ(driver.associatedBssid(), std::nullopt);
    EXPECT_TRUE(driver.open(L"{8E2C6D1A-0000-4000-8000-000000000001}"));
    driver.close();
    EXPECT_FALSE(driver.isOpen());
    EXPECT_EQ(driver.listQuery(out), QueryStatus::Failed);
}

TEST(SimulatedDriver, ServesTheDeviceEndToEnd) {
    MemorySettingsStore store;
    ManualClock clock;
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    drivers.push_back(std::make_unique<SimulatedDriver>(
        clock, parsed("adapter {SIM-1} First radio\nadapter {SIM-2} Second radio\n"
                      "at 0\nap 00:11:22:33:44:55 -48 2437000 infra wep \"Campus\"\n"
                      "associated 00:11:22:33:44:55\n")));
    WirelessDevice device(store, std::move(drivers));
    EXPECT_EQ(device.state(), DeviceState::Ok);
    EXPECT_EQ(device.deviceName(), L"{SIM-1}");
    EXPECT_EQ(device.signalOfAdapter(L"{SIM-2}"), -48);
    EXPECT_EQ(device.signalOfAdapter(L"{OTHER}"), 0);
    ASSERT_EQ(device.listAdapters().size(), 2u);
    EXPECT_EQ(device.listAdapters()[1].description, L"Second radio");
    std::vector<std::string> ssids;
    EXPECT_TRUE(device.listQuery([&](const AccessPointRecord& r) { ssids.push_back(r.ssid); }));
    EXPECT_EQ(ssids, std::vector<std::string>{"Campus"});
    EXPECT_EQ(device.calibration().rssiMin(), -50);
    // A Device setting naming a real adapter still reaches the simulated radio.
    device.setDevice(L"{REAL-ADAPTER}");
    EXPECT_EQ(device.state(), DeviceState::Ok);
    EXPECT_TRUE(device.listQuery({}));
}

} // namespace
} // namespace nearbeam
