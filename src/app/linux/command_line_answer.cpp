#include "app/linux/command_line_answer.h"

#include <QString>

namespace nearbeam {

namespace {

std::string local(const std::wstring& text) {
    return QString::fromStdWString(text).toLocal8Bit().toStdString();
}

} // namespace

std::vector<std::wstring> programArguments(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(QString::fromLocal8Bit(argv[i]).toStdWString());
    return args;
}

std::vector<std::wstring> withoutQtOptions(const std::vector<std::wstring>& args) {
    // Qt's options that take a value as the next argument.
    static const wchar_t* const kWithValue[] = {L"-platform",      L"-platformpluginpath",
                                                L"-platformtheme", L"-plugin",
                                                L"-style",         L"-stylesheet",
                                                L"-session",       L"-display",
                                                L"-geometry",      L"-title",
                                                L"-name",          L"-qwindowgeometry",
                                                L"-qwindowicon",   L"-qwindowtitle",
                                                L"-qmljsdebugger"};
    std::vector<std::wstring> kept;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg.size() < 2 || arg[0] != L'-' || arg[1] == L'-') {
            kept.push_back(arg);
            continue;
        }
        for (const wchar_t* option : kWithValue) {
            if (arg == option) {
                ++i;
                break;
            }
        }
    }
    return kept;
}

int answerCommandLine(const CommandLine& options, std::ostream& out) {
    if (options.request == CommandLine::Request::Version)
        out << local(versionText()) << '\n';
    else
        out << local(usageText());
    out.flush();
    return 0;
}

int refuseCommandLine(const std::wstring& problem, int code, std::ostream& err) {
    err << "nearbeam: " << local(problem) << '\n' << local(usageText());
    err.flush();
    return code;
}

int refuseScenario(const std::wstring& text, std::ostream& err) {
    err << "nearbeam: " << local(text) << '\n';
    err.flush();
    return 1;
}

} // namespace nearbeam
