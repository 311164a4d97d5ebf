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

// The arguments without Qt's own options (a single dash: -platform NAME, -style
// NAME, -reverse ...), which QApplication takes out; the program's own options
// have two dashes. Read before any window system is touched, so that a wrong
// option is refused even where no display can be opened.
std::vector<std::wstring> withoutQtOptions(const std::vector<std::wstring>& args);

// Writes the usage or the version to out; the program's exit code (0).
int answerCommandLine(const CommandLine& options, std::ostream& out);

// Writes what was wrong and the usage to err; the program's exit code (code).
int refuseCommandLine(const std::wstring& problem, int code, std::ostream& err);

// Writes why the scenario was refused to err; the program's exit code (1).
int refuseScenario(const std::wstring& text, std::ostream& err);

} // namespace nearbeam
