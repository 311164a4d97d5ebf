#include "base/win32/shell_open.h"

#include <windows.h>

#include <shellapi.h>

namespace nearbeam {

void openWithShell(const std::wstring& link) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.lpFile = link.c_str();
    // Shown as a window normally would be: a zero here would be SW_HIDE for a
    // browser that the shell starts.
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

} // namespace nearbeam
