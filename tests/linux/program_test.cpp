// The nearbeam program itself, started as a desktop starts it: XDG folders of its
// own, a private session bus, NetworkManager on a private system bus.

#include "private_bus.h"

#include <QDBusMessage>
#include <QProcess>

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

// The command line's answers end the program with their exit code, never on a box.
TEST_F(ProgramTest, AnswersTheCommandLineAndEnds) {
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
