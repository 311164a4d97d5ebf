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

} // namespace nearbeam
