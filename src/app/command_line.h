#pragma once
// The program's options:
//   --simulate FILE   use the simulated adapter replaying the scenario FILE
//   --trace FILE      append the diagnosis trace to FILE

#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

struct CommandLine {
    std::wstring simulate; // empty: the real drivers
    std::wstring trace;    // empty: no trace
};

// Reads the arguments after the program name. An unknown option, a missing file
// name or a stray argument gives none and a message for the user in error.
std::optional<CommandLine> parseCommandLine(const std::vector<std::wstring>& args,
                                            std::wstring& error);

} // namespace nearbeam
