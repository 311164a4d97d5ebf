// The program entry of nearbeam.exe: one copy per user, the program core on the
// Windows seams, and the hidden main window's message loop.

#include "app/status.h"
#include "app/win32/shell.h"
#include "app/win32/single_instance.h"
#include "resource.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

using namespace nearbeam;

namespace {

std::vector<std::wstring> arguments() {
    std::vector<std::wstring> args;
    int count = 0;
    if (wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.emplace_back(list[i]);
        LocalFree(list);
    }
    return args;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::wstring problem;
    int refusal = 2;
    const std::optional<CommandLine> options = parseCommandLine(arguments(), problem, refusal);
    if (!options) {
        const std::wstring text = problem + L"\n\n" + usageBoxText();
        MessageBoxW(nullptr, text.c_str(), L"Nearbeam", MB_OK | MB_ICONERROR);
        return refusal;
    }
    if (options->request != CommandLine::Request::Run) {
        const bool help = options->request == CommandLine::Request::Help;
        MessageBoxW(nullptr, (help ? usageBoxText() : versionText()).c_str(), L"Nearbeam",
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    // Before any data file, driver or window is made: one copy per user.
    if (!claimInstance()) {
        auto askWhereAmI = [] {
            handOver(stringText(IDS_CLASS), stringText(IDS_TITLE), IDM_WHERE_AM_I, 3000);
        };
        return Program::answerSecondStart(*options, askWhereAmI, writeToStandardError);
    }
    SteadyClock clock;
    Shell shell(instance, *options, clock);
    if (!shell.start())
        return shell.program().exitCode();
    return shell.run();
}
