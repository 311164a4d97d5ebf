#pragma once
// One Nearbeam per user: two copies would both tick, alert and write the same
// data files, each under its own database lock. The first start holds a named
// mutex of the user's; a later start finds it held and hands over instead.

#include <windows.h>

#include <string>

namespace nearbeam {

// The mutex's name: in the session's Local\ namespace, named for the program and
// the user (their security identifier, or their name when that cannot be read),
// so other users of the same computer run their own copy.
std::wstring instanceMutexName();

// Takes the mutex for this process, which holds it until it ends. False when
// another process of the user already holds it (a mutex that cannot be made
// for another reason lets the program run).
bool claimInstance();

// Waits up to waitMs for the running copy's main window and posts it the
// command. False when no window appeared in that time.
bool handOver(const std::wstring& className, const std::wstring& title, WORD command, DWORD waitMs);

// Writes the line to the standard error stream the program was started with.
void writeToStandardError(const std::string& line);

} // namespace nearbeam
