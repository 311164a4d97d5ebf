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

namespace {

struct OptionHelp {
    const wchar_t* option;
    const wchar_t* help;
};
const OptionHelp kOptions[] = {
    {L"--simulate SCENARIO-FILE", L"replay a recorded walk instead of the adapter"},
    {L"--fast", L"with --simulate: run the walk's ticks back to back and end when it is over"},
    {L"--trace TRACE-FILE", L"add what the program decides to TRACE-FILE"},
    {L"--survey \"BUILDING/FLOOR/LOCATION\"",
     L"record survey scans at that place, one a tick, and end when they are stored"},
    {L"--scans N", L"with --survey: how many scans (1 to 60, default 6)"},
    {L"--help", L"show this and end"},
    {L"--version", L"show the version and end"},
};
constexpr const wchar_t* kUsage = L"Usage: nearbeam [OPTION]...\n";

} // namespace

std::wstring usageText() {
    // Aligned in columns, for a terminal's fixed-width font; a long help goes on
    // at the next line.
    constexpr size_t kColumn = 28;
    constexpr size_t kWidth = 80;
    std::wstring text = kUsage;
    for (const OptionHelp& o : kOptions) {
        std::wstring line = L"  " + std::wstring(o.option);
        if (line.size() + 2 > kColumn) { // too long for the column: the help goes below
            text += line + L"\n";
            line.clear();
        }
        line.resize(kColumn, L' ');
        std::wstring help = o.help;
        while (line.size() + help.size() > kWidth) {
            const size_t cut = help.rfind(L' ', kWidth - line.size());
            text += line + help.substr(0, cut) + L"\n";
            help = help.substr(cut + 1);
            line = std::wstring(kColumn, L' ');
        }
        text += line + help + L"\n";
    }
    return text;
}

std::wstring usageBoxText() {
    std::wstring text = kUsage;
    for (const OptionHelp& o : kOptions)
        text += std::wstring(o.option) + L": " + o.help + L"\n";
    return text;
}

std::wstring versionText() {
    return L"Nearbeam " NEARBEAM_VERSION;
}

std::wstring scenarioRefusalText(const std::wstring& file, const std::string& fault) {
    return L"The scenario file \"" + file + L"\" could not be loaded:\n" + widen(fault);
}

} // namespace nearbeam
