// The program entry of the Linux nearbeam: one copy per user, the program's files
// in the XDG folders, and Exit, SIGTERM, SIGINT and SIGHUP all ending it the same
// way with exit code 0.

#include "app/linux/command_line_answer.h"
#include "app/linux/instance_service.h"
#include "app/linux/quit_signals.h"
#include "app/linux/shell.h"
#include "base/text.h"
#include "wireless/simulated_driver.h"

#include <QApplication>
#include <QIcon>

#include <unistd.h>

#include <iostream>

using namespace nearbeam;

namespace {

void nameTheProgram() {
    QApplication::setApplicationName(QStringLiteral("Nearbeam"));
    QApplication::setDesktopFileName(QStringLiteral("net.nearbeam.Nearbeam"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("net.nearbeam.Nearbeam"), QIcon(":/icons/nearbeam.ico")));
}

// The session bus's hold on the Survey window: through the window, as a user
// would.
InstanceService::SurveyActions surveyActions(Shell& shell) {
    InstanceService::SurveyActions actions;
    SurveyModel& survey = shell.program().survey();
    actions.open = [&shell] { shell.windows().openSurvey(); };
    actions.record = [&shell, &survey](const QString& place, uint count) {
        if (survey.view().state == SurveyState::Recording)
            return QStringLiteral("A survey is being recorded already.");
        std::optional<SurveyRequest> request = surveyPlaceOf(narrow(place.toStdWString()));
        if (!request)
            return QStringLiteral("The place is BUILDING/FLOOR/LOCATION.");
        request->count = std::to_string(count);
        SurveyContext& context = shell.windows().survey();
        openSurveyWindow(context, nullptr);
        context.open->recordAt(*request);
        return survey.view().state == SurveyState::Recording
                   ? QString()
                   : QString::fromStdWString(survey.view().message);
    };
    actions.stop = [&shell, &survey] {
        survey.stop();
        shell.windows().surveyChanged();
    };
    actions.state = [&survey] {
        switch (survey.view().state) {
        case SurveyState::Recording:
            return QStringLiteral("recording");
        case SurveyState::Finished:
            return QStringLiteral("finished");
        case SurveyState::StoppedEarly:
            return QStringLiteral("stopped");
        case SurveyState::Failed:
            return QStringLiteral("failed");
        case SurveyState::Idle:
            break;
        }
        return QStringLiteral("idle");
    };
    actions.progress = [&survey] { return QString::fromStdWString(survey.view().progress); };
    return actions;
}

} // namespace

int main(int argc, char** argv) {
    std::wstring problem;
    int refusal = 2;
    // Read before any window system is touched: help, the version and a wrong
    // option need no desktop, and there may be none.
    std::optional<CommandLine> options =
        parseCommandLine(withoutQtOptions(programArguments(argc, argv)), problem, refusal);
    if (!options)
        return refuseCommandLine(problem, refusal, std::cerr);
    if (options->request != CommandLine::Request::Run)
        return answerCommandLine(*options, std::cout);
    // Started from a terminal, a scenario that does not load is said there, and
    // no box waits for a click.
    if (!options->simulate.empty() && isatty(STDERR_FILENO)) {
        const ScenarioLoad load = loadScenario(narrow(options->simulate));
        if (!load) {
            return refuseScenario(scenarioRefusalText(options->simulate, load.describe()),
                                  std::cerr);
        }
    }

    QApplication qt(argc, argv);
    nameTheProgram();

    InstanceService instance;
    const InstanceService::Claim claim = instance.claim();
    if (claim == InstanceService::Claim::Taken) {
        return Program::answerSecondStart(
            *options, [&instance] { instance.askWhereAmI(); },
            [](const std::string& line) { std::cerr << "nearbeam: " << line; });
    }
    if (claim == InstanceService::Claim::NoBus)
        std::cerr << "nearbeam: no session bus; other programs cannot reach this copy.\n";
    QuitSignals signals;
    signals.install();

    SteadyClock clock;
    DesktopSetup setup;
    if (!userSetup(setup, *options, clock))
        return 1;
    Shell shell(setup);
    if (!shell.start())
        return shell.program().exitCode();
    instance.setNewSubscriptions([&shell] { shell.program().newSubscriptions(); });
    instance.setWhereAmI([&shell] { shell.program().whereAmI(); });
    instance.setSurvey(surveyActions(shell));
    return shell.run();
}
