#pragma once
// The program's options:
//   --simulate FILE   use the simulated adapter replaying the scenario FILE
//   --fast            with --simulate: replay the ticks back to back, then end
//   --trace FILE      append the diagnosis trace to FILE
//   --survey "BUILDING/FLOOR/LOCATION" [--scans N]
//                     record N survey scans (default 6) at that place, one a
//                     tick, then end
//   --help, --version say what the program takes, or which it is, and end

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

struct CommandLine {
    enum class Request { Run, Help, Version };
    Request request = Request::Run;
    std::wstring simulate; // empty: the real drivers
    std::wstring trace;    // empty: no trace
    bool fast = false;     // the scenario's ticks back to back, then the end
    std::wstring survey;   // "BUILDING/FLOOR/LOCATION"; empty: no survey
    int32_t scans = 6;     // with survey: how many scans, 1 to 60
};

// Reads the arguments after the program name. An unknown option, a missing file
// name or a stray argument gives none and a message for the user in error (the
// caller adds usageText()). refusalCode is the exit code for a refusal: 1 for
// options that do not go together, 2 for one not understood.
std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error, int& refusalCode);
std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error);

// The options, one a line, each line ending in a line break, aligned in columns
// for a terminal.
std::wstring usageText();
// The same for a message box, whose font is not fixed-width: each option and its
// help on one line of their own, "OPTION: help", nothing aligned with spaces.
std::wstring usageBoxText();
// "Nearbeam " and the version.
std::wstring versionText();
// What the program says of a scenario file that does not load: its name, then
// the fault (the line and what is wrong there).
std::wstring scenarioRefusalText(const std::wstring& file, const std::string& fault);

} // namespace nearbeam
