#include "app/command_line.h"

#include "base/text.h"
#include "ui/survey_model.h"

namespace nearbeam {

namespace {

// The survey's place and count, checked as the Survey window checks them; the
// building is looked up once the records are open.
bool readSurvey(CommandLine& options, const std::wstring& scans, std::wstring& error) {
    if (!scans.empty()) {
        if (options.survey.empty()) {
            error = L"The option --scans goes with --survey.";
            return false;
        }
        const std::optional<int32_t> count = surveyScanCount(narrow(scans));
        if (!count) {
            error = L"--scans " + scans + L": " + surveyCountMessage();
            return false;
        }
        options.scans = *count;
    }
    if (options.survey.empty())
        return true;
    const std::string place = narrow(options.survey);
    if (std::wstring fault = surveyTextFault(place); !fault.empty()) {
        error = L"--survey: " + fault;
        return false;
    }
    if (!surveyPlaceOf(place) || surveyPlaceOf(place)->building.empty()) {
        error = L"--survey takes a place as \"BUILDING/FLOOR/LOCATION\".";
        return false;
    }
    return true;
}

} // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error, int& refusalCode) {
    refusalCode = 2;
    CommandLine options;
    std::wstring scans; // as given
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
        } else if (name == L"--survey") {
            target = &options.survey;
        } else if (name == L"--scans") {
            target = &scans;
        } else {
            error = L"Unknown option \"" + args[i] + L"\".";
            return std::nullopt;
        }
        const std::wstring needs = name == L"--survey"  ? L" needs a place."
                                   : name == L"--scans" ? L" needs a number."
                                                        : L" needs a file name.";
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = L"The option " + name + needs;
                return std::nullopt;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = L"The option " + name + needs;
            return std::nullopt;
        }
        *target = value;
    }
    if (!readSurvey(options, scans, error)) {
        refusalCode = 1;
        return std::nullopt;
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
           L"  --survey \"BUILDING/FLOOR/LOCATION\"\n"
           L"                            record survey scans at that place, one a tick,\n"
           L"                            and end when they are stored\n"
           L"  --scans N                 with --survey: how many scans (1 to 60, default 6)\n"
           L"  --help                    show this and end\n"
           L"  --version                 show the version and end\n";
}

std::wstring versionText() {
    return L"Nearbeam " NEARBEAM_VERSION;
}

} // namespace nearbeam
