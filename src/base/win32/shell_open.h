#pragma once
// Opens a link with the shell's default action (the user's web browser or mail
// program). Callers decide first which links may be opened; a link the shell
// cannot open is ignored.

#include <string>

namespace nearbeam {

void openWithShell(const std::wstring& link);

} // namespace nearbeam
