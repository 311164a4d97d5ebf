// The program entry of the Linux nearbeam: one copy per user, the program's files
// in the XDG folders, and Exit, SIGTERM, SIGINT and SIGHUP all ending it the same
// way with exit code 0.

#include "app/linux/command_line_answer.h"
#include "app/linux/desktop_program.h"
#include "app/linux/instance_service.h"
#include "app/linux/quit_signals.h"
#include "app/linux/xdg_paths.h"
#include "base/file_settings_store.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>
#include <iostream>

using namespace nearbeam;

int main(int argc, char** argv) {
    std::wstring problem;
    std::optional<CommandLine> options = parseCommandLine(programArguments(argc, argv), problem);
    // Help and the version need no desktop.
    if (options && options->request != CommandLine::Request::Run)
        return answerCommandLine(*options, std::cout);

    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nearbeam"));
    QApplication::setDesktopFileName(QStringLiteral("net.nearbeam.Nearbeam"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt has taken its own options (-platform, -style...) out of the arguments.
    if (!options)
        options = parseCommandLine(programArguments(argc, argv), problem);
    if (!options)
        return refuseCommandLine(problem, std::cerr);

    InstanceService instance;
    switch (instance.claim()) {
    case InstanceService::Claim::Taken:
        // A user who started the program again is answered by the running copy; a
        // script that asked for a scenario or a trace is told it did not get them.
        if (!options->simulate.empty() || !options->trace.empty()) {
            std::cerr << "nearbeam: Nearbeam is already running." << std::endl;
            return 1;
        }
        instance.askWhereAmI();
        return 0;
    case InstanceService::Claim::NoBus:
        std::cerr << "nearbeam: no session bus; other programs cannot reach this copy."
                  << std::endl;
        break;
    case InstanceService::Claim::Owned:
        break;
    }

    QuitSignals signals;
    signals.install();

    SteadyClock clock;
    DesktopSetup setup;
    setup.options = *options;
    setup.settingsPath = FileSettingsStore::defaultPath();
    setup.dataFolder = userDataFolder();
    setup.shareFolder = shareFolder(QApplication::applicationFilePath().toStdString());
    // The windows' icon: the installed theme's, else the program's own beside its data.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("net.nearbeam.Nearbeam"),
        QIcon(QString::fromStdString(setup.shareFolder) + QStringLiteral("nearbeam.ico"))));
    setup.clock = &clock;
    setup.sessionBus = QDBusConnection::sessionBus();
    if (setup.dataFolder.empty()) {
        std::cerr << "nearbeam: neither XDG_DATA_HOME nor HOME is set." << std::endl;
        return 1;
    }

    DesktopProgram program(setup);
    program.useDialogs();
    if (!program.start())
        return program.exitCode();
    instance.setNewSubscriptions([&program] { program.newSubscriptions(); });
    instance.setWhereAmI([&program] { program.application().showWhereAmI(); });
    const int code = QApplication::exec();

    // Nothing is left to save: every write is whole by then. Let the web agent finish
    // an exchange under way, but do not keep the user waiting on a silent server.
    if (!program.stop(2000))
        std::_Exit(code);
    return code;
}
