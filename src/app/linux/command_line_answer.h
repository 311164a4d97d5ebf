#pragma once
// The command line as a Linux program reads it: its arguments and its answers in
// the locale's encoding, --help and --version on standard output, a wrong option
// with the usage on standard error.

#include "app/command_line.h"

#include <ostream>
#include <string>
#include <vector>

namespace nearbeam {

// The arguments after the program's name.
std::vector<std::wstring> programArguments(int argc, char** argv);

// Writes the usage or the version to out; the program's exit code (0).
int answerCommandLine(const CommandLine& options, std::ostream& out);

// Writes what was wrong and the usage to err; the program's exit code (code).
int refuseCommandLine(const std::wstring& problem, int code, std::ostream& err);

} // namespace nearbeam
