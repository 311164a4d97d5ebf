// The whole Linux program in this process, on the simulated adapter with a clock
// the test moves: the tray's private mode, and the demo walk telling its story
// against the location server.

#include "app/linux/shell.h"
#include "base/file_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/trace_lines.h"

#include <QApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace nearbeam::test {
namespace {

class ShellTest : public ::testing::Test {
  protected:
    ShellTest() {
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
    std::unique_ptr<Shell> start(const std::string& scenario) {
        home.write("walk.txt", scenario);
        DesktopSetup setup;
        setup.options.simulate = widen(home.file("walk.txt"));
        setup.options.trace = widen(home.file("trace.txt"));
        setup.settingsPath = home.file("settings");
        setup.dataFolder = home.file("data") + "/";
        setup.shareFolder = NEARBEAM_BINARY_DIR "/";
        setup.clock = &clock;
        auto program = std::make_unique<Shell>(setup);
        EXPECT_TRUE(program->start());
        return program;
    }
    // The next tick, ten seconds on.
    void tick(Shell& program) {
        clock.advance(kTickMs);
        program.tick();
    }
    // The trace's lines of one kind, without their time.
    std::vector<TraceLine> trace(const std::string& kind) {
        return traceLines(home.read("trace.txt"), kind);
    }

    TempDir home;
    ManualClock clock{1000};
};

// "Private mode" in the tray's menu, above Exit: the server is not asked.
TEST_F(ShellTest, PrivateModeFromTheTrayKeepsTheServerUnasked) {
    LoopbackServer::Options options;
    options.folder = NEARBEAM_SOURCE_DIR "/data/demo/server/";
    LoopbackServer locationServer(options);
    ASSERT_TRUE(locationServer.start());
    server(locationServer.hostAndPort());
    auto program = start("at 0\nat 10\nap 00:1a:1e:4c:10:01 -40 2437000 infra open \"Campus\"\n");
    QAction* privateMode = program->tray().menu().actions().at(7);
    EXPECT_EQ(privateMode->text(), "&Private mode");
    privateMode->trigger();
    Q_EMIT program->tray().menu().aboutToShow();
    EXPECT_TRUE(privateMode->isChecked());
    tick(*program);
    tick(*program);
    // Nothing asked: none waits to be sent, none was sent (a request stays pending
    // until it was answered).
    EXPECT_FALSE(program->program().agent().isPending("download"));
    EXPECT_EQ(locationServer.requestsSeen(), 0u);
    EXPECT_TRUE(program->tray().tooltip().endsWith(" (private)"));
}

// The demo walk, nine minutes in ticks of ten seconds, with the location server
// placing what the local files do not and greeting each new building.
TEST_F(ShellTest, TheDemoWalkAgainstTheLocationServer) {
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
    // The server and the service answer before the next tick (in real life ten
    // seconds on; here they are waited for, within a bound a busy machine does not
    // reach).
    auto settle = [&] {
        for (int i = 0; i < 1500 && (program->program().agent().isPending("download") ||
                                     program->program().agent().isPending(service));
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
        "Library, Reading room (1st floor)", "Library, Map collection (2nd floor)",
        "I don't recognize this place.",
        // Entering while the bus stop's fading hotspot is still the strongest.
        "Science Building, Lecture hall", "Science Building, Physics lab (3rd floor)",
        "Student Centre, Canteen (1st floor)", "You are at Caf\xc3\xa9 Fjord",
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
