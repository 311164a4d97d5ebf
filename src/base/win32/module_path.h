#pragma once
// The full path of a program file or library, however long.

#include <windows.h>

#include <string>

namespace nearbeam {

// The file of the module (null: the program itself); empty when the system
// cannot tell.
std::wstring modulePath(HINSTANCE module);

} // namespace nearbeam
