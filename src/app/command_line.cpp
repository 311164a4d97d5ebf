#include "app/command_line.h"

namespace nearbeam {

std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error, int& refusalCode) {
    refusalCode = 2;
    CommandLine options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::wstring name = args[i];
        std::wstring value;
        bool hasValue = false;
        const size_t equals = name.find(L'=');
        if (name.rfind(L"--", 0) == 0 && equals != std::wstring::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (!hasValue && (name == L"--help" || name == L"-h")) {
            options.request = CommandLine::Request::Help;
            continue;
        }
        if (!hasValue && name == L"--version") {
            options.request = CommandLine::Request::Version;
            continue;
        }
        if (!hasValue && name == L"--fast") {
            options.fast = true;
            continue;
        }
        std::wstring* target = nullptr;
        if (name == L"--simulate") {
            target = &options.simulate;
        } else if (name == L"--trace") {
            target = &options.trace;
        } else {
            error = L"Unknown option \"" + args[i] + L"\".";
            return std::nullopt;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = L"The option " + name + L" needs a file name.";
                return std::nullopt;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = L"The option " + name + L" needs a file name.";
            return std::nullopt;
        }
        *target = value;
    }
    if (options.fast && options.simulate.empty() && options.request == CommandLine::Request::Run) {
        error = L"The option --fast replays a scenario: it needs --simulate.";
        refusalCode = 1;
        return std::nullopt;
    }
    return options;
}

std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error) {
    int refusalCode = 0;
    return parseCommandLine(args, error, refusalCode);
}

std::wstring usageText() {
    return L"Usage: nearbeam [OPTION]...\n"
           L"  --simulate SCENARIO-FILE  replay a recorded walk instead of the adapter\n"
           L"  --fast                    with --simulate: run the walk's ticks back to back\n"
           L"                            and end when it is over\n"
           L"  --trace TRACE-FILE        add what the program decides to TRACE-FILE\n"
           L"  --help                    show this and end\n"
           L"  --version                 show the version and end\n";
}

std::wstring versionText() {
    return L"Nearbeam " NEARBEAM_VERSION;
}

} // namespace nearbeam
