// The nearbeam program itself, started as a desktop starts it: XDG folders of its
// own, a private session bus, NetworkManager on a private system bus.

#include "private_bus.h"

#include <QDBusMessage>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace nearbeam::test {
namespace {

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), QString::fromStdString(home.path().string()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home.file("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home.file("share")));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), session.address());
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), system.address());
    }
    void start(QProcess& program) {
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(NEARBEAM_BINARY_DIR "/nearbeam"),
                      {QStringLiteral("--trace"), QString::fromStdString(home.file("trace.txt"))});
        ASSERT_TRUE(program.waitForStarted());
    }
    // The first tick's status and text, once the trace has it.
    std::pair<std::string, std::string> firstTick() {
        for (int i = 0; i < 600; ++i) { // at most half a minute
            std::ifstream in(home.file("trace.txt"));
            std::string time, kind, status, text;
            if (std::getline(in, time, '\t') && std::getline(in, kind, '\t') &&
                std::getline(in, status, '\t') && std::getline(in, text))
                return {status, text};
            QThread::msleep(50);
        }
        return {};
    }

    TempDir home;
    PrivateBus session;
    PrivateBus system;
    QProcessEnvironment env;
};

TEST_F(ProgramTest, RunsOnNetworkManagerAsOneCopyAndEndsOnASignal) {
    ASSERT_TRUE(system.startNetworkManager());
    const QString device = system
                               .mock(QStringLiteral("AddWiFiDevice"),
                                     {QStringLiteral("wifi0"), QStringLiteral("wlan0"), 100u})
                               .arguments()
                               .value(0)
                               .toString();
    system.mock(QStringLiteral("AddAccessPoint"),
                {device, QStringLiteral("library"), QStringLiteral("eduroam"),
                 QStringLiteral("00:1a:1e:4c:10:01"), 2u, 2437u, 54000u,
                 QVariant::fromValue(uint8_t(100)), 0x100u});
    const std::filesystem::path data = home.path() / "share" / "nearbeam";
    std::filesystem::create_directories(data);
    for (const auto& file :
         std::filesystem::directory_iterator(NEARBEAM_SOURCE_DIR "/data/demo/data"))
        std::filesystem::copy_file(file.path(), data / file.path().filename());

    QProcess program;
    start(program);
    const auto [status, text] = firstTick();
    EXPECT_EQ(status, "8192");
    EXPECT_EQ(text.rfind("Library, Reading room", 0), 0u) << text;

    // A second copy asked for a trace leaves at once, saying why; the first takes
    // commands on the session bus.
    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("already running"));
    for (const char* command : {"NewSubscriptions", "WhereAmI"}) {
        const QDBusMessage reply = session.connection().call(QDBusMessage::createMethodCall(
            QStringLiteral("net.nearbeam.Nearbeam"), QStringLiteral("/net/nearbeam/Nearbeam"),
            QStringLiteral("net.nearbeam.Nearbeam"), QString::fromLatin1(command)));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    program.terminate();
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    // The calibration was kept in the settings file, the password never.
    const std::string settings = home.read("config/nearbeam/settings");
    EXPECT_NE(settings.find("RssiMax"), std::string::npos);
    EXPECT_EQ(settings.find("Password"), std::string::npos);
}

// The command line's answers end the program with their exit code, never on a box,
// and before any window system is touched: there is no display here.
TEST_F(ProgramTest, AnswersTheCommandLineAndEnds) {
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const struct {
        QStringList args;
        int code;
        const char* out;
        const char* err;
    } cases[] = {
        {{QStringLiteral("--help")}, 0, "--simulate SCENARIO-FILE", ""},
        {{QStringLiteral("--version")}, 0, "Nearbeam 1.", ""},
        {{QStringLiteral("--verbose")}, 2, "", "Unknown option \"--verbose\".\nUsage: nearbeam"},
        {{QStringLiteral("--trace")}, 2, "", "--trace needs a file name.\nUsage: nearbeam"},
        {{QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("--bogus")},
         2,
         "",
         "Unknown option \"--bogus\".\nUsage: nearbeam"},
    };
    for (const auto& c : cases) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(NEARBEAM_BINARY_DIR "/nearbeam"), c.args);
        ASSERT_TRUE(program.waitForFinished(10000)) << c.args.join(' ').toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.code) << c.args.join(' ').toStdString();
        const QByteArray out = program.readAllStandardOutput();
        const QByteArray err = program.readAllStandardError();
        EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
        EXPECT_EQ(out.isEmpty(), c.code != 0);
    }
}

// --survey records its scans at the place, one a tick, from a fast replay and
// ends with 0; a survey that cannot be recorded ends with 1 and a message,
// having written nothing (or, when the file fails, what was stored before).
TEST_F(ProgramTest, SurveysAPlaceFromTheCommandLine) {
    const std::filesystem::path data = home.path() / "share" / "nearbeam";
    std::filesystem::create_directories(data);
    for (const auto& file :
         std::filesystem::directory_iterator(NEARBEAM_SOURCE_DIR "/data/demo/data"))
        std::filesystem::copy_file(file.path(), data / file.path().filename());
    std::ofstream(home.file("walk.txt"))
        << "at 0\n"
           "ap 00:1a:1e:4c:10:01 -44 2437000 infra wep \"eduroam\"\n"
           "ap 00:1a:1e:4c:10:02 -71 2462000 infra wep \"eduroam\"\n"
           "ap 00:1a:1e:4c:99:01 -50 2412000 infra open \"Cafe_nomap\"\n"
           "ap 02:5e:11:aa:00:07 -80 2437000 adhoc open \"Printer setup\"\n";
    const std::string scans = (data / "scans.txt").string();
    const struct {
        const char* what;
        QStringList survey;
        int code;
        int lines;       // in scans.txt afterwards; -1: no such file
        const char* err; // a part of standard error
    } cases[] = {
        {"three scans", {"--survey", "Library/1/Reading room", "--scans", "3"}, 0, 3, ""},
        {"a building not in the records",
         {"--survey", "Museum/1/Hall"},
         1,
         -1,
         "\"Museum\" is not in the records"},
        {"a count of 0",
         {"--survey", "Library/1/Reading room", "--scans", "0"},
         1,
         -1,
         "from 1 to 60"},
        {"a count of 1000",
         {"--survey", "Library/1/Reading room", "--scans", "1000"},
         1,
         -1,
         "from 1 to 60"},
        // The walk's one block is heard from the first tick until the scan
        // table's two minutes have passed: 14 ticks.
        {"more scans than the walk has ticks",
         {"--survey", "Library/1/Reading room", "--scans", "60"},
         1,
         14,
         "The walk ended after 14 of 60 scans."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(scans);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(NEARBEAM_BINARY_DIR "/nearbeam"),
                      QStringList{QStringLiteral("--simulate"),
                                  QString::fromStdString(home.file("walk.txt")),
                                  QStringLiteral("--fast")} +
                          c.survey);
        ASSERT_TRUE(program.waitForFinished(60000));
        EXPECT_EQ(program.exitCode(), c.code);
        const QByteArray err = program.readAllStandardError();
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
        if (c.lines < 0) {
            EXPECT_FALSE(std::filesystem::exists(scans));
            continue;
        }
        std::ifstream in(scans, std::ios::binary);
        int lines = 0;
        for (std::string line; std::getline(in, line); ++lines) {
            // Status 3, a time, the infrastructure access points but the one
            // that asked not to be mapped.
            const std::string head = "41\t1\tReading room\t3\t";
            ASSERT_EQ(line.substr(0, head.size()), head) << line;
            EXPECT_EQ(line.substr(head.size() + 20), "\t001a1e4c1001:-44\t001a1e4c1002:-71\r");
        }
        EXPECT_EQ(lines, c.lines);
    }

    // A scans.txt that cannot be written: the message, exit code 1.
    std::filesystem::remove(scans);
    std::filesystem::create_directory(scans);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(NEARBEAM_BINARY_DIR "/nearbeam"),
                  {QStringLiteral("--simulate"), QString::fromStdString(home.file("walk.txt")),
                   QStringLiteral("--fast"), QStringLiteral("--survey"),
                   QStringLiteral("Library/1/Reading room")});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("could not be written to scans.txt"));
}

// A script records a survey through the session bus, as the Survey window
// would: refused with the window's message, then one scan at the next tick.
TEST_F(ProgramTest, TheSessionBusDrivesTheSurveyWindow) {
    const std::filesystem::path data = home.path() / "share" / "nearbeam";
    std::filesystem::create_directories(data);
    for (const auto& file :
         std::filesystem::directory_iterator(NEARBEAM_SOURCE_DIR "/data/demo/data"))
        std::filesystem::copy_file(file.path(), data / file.path().filename());
    std::ofstream(home.file("walk.txt"))
        << "at 0\nap 00:1a:1e:4c:10:01 -44 2437000 infra wep \"eduroam\"\n";
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(NEARBEAM_BINARY_DIR "/nearbeam"),
                  {QStringLiteral("--simulate"), QString::fromStdString(home.file("walk.txt")),
                   QStringLiteral("--trace"), QString::fromStdString(home.file("trace.txt"))});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_EQ(firstTick().first, "8192");
    const auto call = [&](const char* method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("net.nearbeam.Nearbeam"), QStringLiteral("/net/nearbeam/Nearbeam"),
            QStringLiteral("net.nearbeam.Nearbeam"), QString::fromLatin1(method));
        message.setArguments(arguments);
        return session.connection().call(message).arguments().value(0).toString();
    };
    EXPECT_TRUE(call("RecordSurvey", {QStringLiteral("Museum/1/Hall"), 2u})
                    .contains("\"Museum\" is not in the records"));
    EXPECT_EQ(call("SurveyState"), "idle");
    EXPECT_EQ(call("RecordSurvey", {QStringLiteral("Library/1/Reading room"), 1u}), "");
    EXPECT_EQ(call("SurveyState"), "recording");
    // The next tick of the program's own timer takes the scan.
    EXPECT_TRUE(QTest::qWaitFor([&] { return call("SurveyState") == "finished"; }, 30000));
    EXPECT_EQ(call("SurveyProgress"), "1 of 1 scan");
    const std::string scans = home.read("share/nearbeam/scans.txt");
    EXPECT_EQ(scans.substr(0, 20), "41\t1\tReading room\t3\t") << scans;
    EXPECT_EQ(scans.substr(20 + 20), "\t001a1e4c1001:-44\r\n");

    program.terminate();
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(ProgramTest, WithoutNetworkManagerItIsLostAndCtrlCEndsIt) {
    QProcess program;
    start(program);
    EXPECT_EQ(firstTick(), (std::pair<std::string, std::string>{
                               "384", "I am lost (no wireless signal available)"}));
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / "share" / "nearbeam"));
    ::kill(static_cast<pid_t>(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    // The user is told why, once.
    EXPECT_EQ(program.readAllStandardError().count("NetworkManager is not running"), 1);
}

} // namespace
} // namespace nearbeam::test
