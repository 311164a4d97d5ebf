// The program entry of the Linux nearbeam: one copy per user, the program's files
// in the XDG folders, and Exit, SIGTERM, SIGINT and SIGHUP all ending it the same
// way with exit code 0.

#include "app/linux/instance_service.h"
#include "app/linux/quit_signals.h"
#include "app/linux/shell.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <iostream>

using namespace nearbeam;

namespace {

std::vector<std::wstring> arguments() {
    std::vector<std::wstring> args;
    for (const QString& arg : QApplication::arguments().mid(1))
        args.push_back(arg.toStdWString());
    return args;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nearbeam"));
    QApplication::setDesktopFileName(QStringLiteral("net.nearbeam.Nearbeam"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("net.nearbeam.Nearbeam"), QIcon(":/icons/nearbeam.ico")));

    DesktopSetup setup;
    std::wstring problem;
    if (std::optional<CommandLine> options = parseCommandLine(arguments(), problem)) {
        setup.options = *options;
    } else {
        std::wcerr << L"nearbeam: " << problem << std::endl;
        QMessageBox::critical(nullptr, QStringLiteral("Nearbeam"),
                              QString::fromStdWString(problem));
        return 2;
    }
    InstanceService instance;
    const InstanceService::Claim claim = instance.claim();
    if (claim == InstanceService::Claim::Taken) {
        return Program::answerSecondStart(
            setup.options, [&instance] { instance.askWhereAmI(); },
            [](const std::string& line) { std::cerr << "nearbeam: " << line; });
    }
    if (claim == InstanceService::Claim::NoBus)
        std::cerr << "nearbeam: no session bus; other programs cannot reach this copy.\n";
    QuitSignals signals;
    signals.install();

    SteadyClock clock;
    if (!userFolders(setup, clock))
        return 1;
    Shell shell(setup);
    if (!shell.start())
        return shell.program().exitCode();
    instance.setNewSubscriptions([&shell] { shell.program().newSubscriptions(); });
    instance.setWhereAmI([&shell] { shell.program().whereAmI(); });
    return shell.run();
}
