// The whole Linux program in this process, on the simulated adapter with a clock
// the test moves: the trace is the Windows program's for the same scenario, and
// the demo walk tells its story against the location server.

#include "app/linux/desktop_program.h"
#include "base/file_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace nearbeam::test {
namespace {

using TraceLine = std::vector<std::string>;

class DesktopProgramTest : public ::testing::Test {
  protected:
    DesktopProgramTest() {
        std::filesystem::create_directories(home.path() / "data");
        // A fixed calibration (quality = (signal + 90) * 100 / 60) and, unless a test
        // says otherwise, a location server nobody answers at.
        FileSettingsStore store(home.file("settings"));
        settings::write(store, settings::RssiMin, -90);
        settings::write(store, settings::RssiMax, -30);
        server("127.0.0.1:9");
    }
    void server(const std::string& host) {
        FileSettingsStore store(home.file("settings"));
        settings::write(store, settings::Server, widen(host));
    }
    void data(const std::string& name, const std::string& bytes) {
        home.write("data/" + name, bytes);
    }
    std::unique_ptr<DesktopProgram> start(const std::string& scenario) {
        home.write("walk.txt", scenario);
        DesktopSetup setup;
        setup.options.simulate = widen(home.file("walk.txt"));
        setup.options.trace = widen(home.file("trace.txt"));
        setup.settingsPath = home.file("settings");
        setup.dataFolder = home.file("data") + "/";
        setup.shareFolder = NEARBEAM_BINARY_DIR "/";
        setup.clock = &clock;
        auto program = std::make_unique<DesktopProgram>(setup);
        EXPECT_TRUE(program->start());
        return program;
    }
    // The next tick, ten seconds on.
    void tick(DesktopProgram& program) {
        clock.advance(Tray::kTickMs);
        program.tick();
    }
    // The trace's lines of one kind, without their time.
    std::vector<TraceLine> trace(const std::string& kind) {
        std::vector<TraceLine> out;
        std::istringstream lines(home.read("trace.txt"));
        for (std::string line; std::getline(lines, line);) {
            TraceLine fields;
            std::istringstream split(line);
            for (std::string field; std::getline(split, field, '\t');)
                fields.push_back(field);
            if (line.back() == '\t')
                fields.emplace_back();
            if (fields.size() > 1 && fields[1] == kind)
                out.emplace_back(fields.begin() + 1, fields.end());
        }
        return out;
    }

    TempDir home;
    ManualClock clock{1000};
};

// The small town of the Windows program's own end-to-end test, and its lines.
TEST_F(DesktopProgramTest, TheTraceIsTheWindowsProgramsForTheSameScenario) {
    const std::string library = "You are at Library, Desk (2nd floor)";
    const std::string faculty =
        "Northern Faculty Building of Mathematics and Natural Sciences, Great Auditorium";
    const struct {
        const char* scenario;
        TraceLine firstTick;
        std::vector<TraceLine> tooltips;
        std::optional<std::vector<TraceLine>> alerts; // none: not looked at
    } cases[] = {
        {"at 0\n",
         {"tick", "384", "I am lost (no wireless signal available)"},
         {{"tooltip", "124", "I am lost (no wireless signal available)"}},
         std::vector<TraceLine>{}},
        {"at 0\nap 00:11:22:33:44:a1 -40 2437000 infra wep \"Campus\"\n",
         {"tick", "8192", library},
         {{"tooltip", "122", library}},
         std::vector<TraceLine>{{"alert", "Your location...", library, ""}}},
        {"at 0\nap 00:11:22:33:44:a1 -60 2437000 infra open \"Campus\"\n",
         {"tick", "8192", "You are near Library, Desk (2nd floor)"},
         {{"tooltip", "122", "You are near Library, Desk (2nd floor)"}},
         std::vector<TraceLine>{}},
        {"at 0\nap 00:11:22:33:44:c1 -40 2437000 infra open \"Cafe\"\n",
         {"tick", "16384", "I'm curious, where are we?"},
         {{"tooltip", "123", "I'm curious, where are we?"}},
         std::nullopt},
        {"at 0\nap 00:11:22:33:44:a2 -40 2437000 infra open \"\"\n",
         {"tick", "8192", faculty},
         {{"tooltip", "122", faculty.substr(0, 63)}},
         std::nullopt},
    };
    data("country.txt", "1\tNorway\t0\n");
    data("province.txt", "2\t1\tVestland\t0\n");
    data("city.txt", "3\t2\tBergen\t0\n");
    data("building.txt", "10\t0\t3\tLibrary\tMain St 1\t0\n"
                         "11\t0\t3\tNorthern Faculty Building of Mathematics and Natural "
                         "Sciences\t\t0\n");
    data("ap.txt", "0011223344a1\t10\t0\t2\tDesk\t0\n"
                   "0011223344a2\t11\t0\t\tGreat Auditorium\t0\n");
    data("apchecked.txt", "0011223344c1\n");
    for (const auto& c : cases) {
        std::filesystem::remove(home.path() / "trace.txt");
        auto program = start(c.scenario);
        tick(*program);
        tick(*program);
        ASSERT_FALSE(trace("tick").empty()) << c.scenario;
        EXPECT_EQ(trace("tick")[0], c.firstTick) << c.scenario;
        EXPECT_EQ(trace("tooltip"), c.tooltips) << c.scenario;
        if (c.alerts) {
            EXPECT_EQ(trace("alert"), *c.alerts) << c.scenario;
        }
        // The tray shows what the trace says.
        EXPECT_EQ(program->tray().tooltip().toStdString(), c.tooltips.back()[2]) << c.scenario;
    }
}

// "Private mode" in the tray's menu, above Exit: the server is not asked.
TEST_F(DesktopProgramTest, PrivateModeFromTheTrayKeepsTheServerUnasked) {
    LoopbackServer::Options options;
    options.folder = NEARBEAM_SOURCE_DIR "/data/demo/server/";
    LoopbackServer locationServer(options);
    ASSERT_TRUE(locationServer.start());
    server(locationServer.hostAndPort());
    auto program = start("at 0\nat 10\nap 00:1a:1e:4c:10:01 -40 2437000 infra open \"Campus\"\n");
    QAction* privateMode = program->tray().menu().actions().at(6);
    EXPECT_EQ(privateMode->text(), "&Private mode");
    privateMode->trigger();
    Q_EMIT program->tray().menu().aboutToShow();
    EXPECT_TRUE(privateMode->isChecked());
    tick(*program);
    QThread::msleep(300);
    tick(*program);
    EXPECT_EQ(locationServer.requestsSeen(), 0u);
    EXPECT_TRUE(program->tray().tooltip().endsWith(" (private)"));
}

// The demo walk, nine minutes in ticks of ten seconds, with the location server
// placing what the local files do not and greeting each new building.
TEST_F(DesktopProgramTest, TheDemoWalkAgainstTheLocationServer) {
    for (const auto& file :
         std::filesystem::directory_iterator(NEARBEAM_SOURCE_DIR "/data/demo/data"))
        std::filesystem::copy_file(file.path(), home.path() / "data" / file.path().filename());
    LoopbackServer::Options options;
    options.folder = NEARBEAM_SOURCE_DIR "/data/demo/server/";
    LoopbackServer locationServer(options);
    ASSERT_TRUE(locationServer.start());
    const std::string host = "127.0.0.1:" + std::to_string(locationServer.port());
    server(host);
    const std::string service = "http://" + host + "/notify?building={building}";
    data("subscriptions.txt", "0\t0\t" + service + "\t-\r\n");
    std::ifstream walkFile(NEARBEAM_SOURCE_DIR "/data/demo/walk.txt");
    const std::string walk((std::istreambuf_iterator<char>(walkFile)), {});

    auto program = start(walk);
    // The server and the service answer within the ten seconds a tick waits in real
    // life.
    auto settle = [&] {
        for (int i = 0; i < 500 && (program->agent().isPending("download") ||
                                    program->agent().isPending(service));
             ++i) {
            QThread::msleep(20);
            QCoreApplication::processEvents();
        }
    };
    for (int second = 10; second <= 560; second += 10) {
        settle();
        tick(*program);
    }
    settle();
    // The places in the order walked; the download's stages come and go with the
    // server's speed, so only definite answers and "last seen" are kept.
    std::vector<std::string> places;
    for (const TraceLine& line : trace("tick")) {
        const LookupStatus value = static_cast<LookupStatus>(std::stoul(line[1]));
        if (!(value & status::kDefiniteMask) && value != status::kLastSeen)
            continue;
        if (places.empty() || places.back() != line[2])
            places.push_back(line[2]);
    }
    const std::vector<std::string> walked = {
        "Library, Reading room (1st floor)",      "Library, Map collection (2nd floor)",
        "I don't recognize this place.",          "Science Building, Physics lab (3rd floor)",
        "Student Centre, Canteen (1st floor)",    "You are at Caf\xc3\xa9 Fjord",
        "Maritime Museum, Ship hall (2nd floor)", "You were last seen at Maritime Museum",
        "Maritime Museum, Ship hall (2nd floor)", "I don't recognize this place."};
    EXPECT_EQ(places, walked);
    std::vector<std::string> greetings;
    for (const TraceLine& line : trace("alert")) {
        if (line[1] == "Nearbeam Subscription")
            greetings.push_back(line[2]);
    }
    const std::vector<std::string> buildings = {
        "Welcome to Library.", "Welcome to Science Building.", "Welcome to Student Centre.",
        "Welcome to Caf\xc3\xa9 Fjord.", "Welcome to Maritime Museum."};
    EXPECT_EQ(greetings, buildings);
    // At rest after the walk it holds no window the user did not open.
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<ScannerWindow*>(window) ||
                     qobject_cast<SharingHistoryWindow*>(window))
            << window->windowTitle().toStdString();
}

} // namespace
} // namespace nearbeam::test
