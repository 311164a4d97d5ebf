#include "app/win32/single_instance.h"

#include <sddl.h>

namespace nearbeam {
namespace {

std::wstring userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    std::wstring text;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        wchar_t* sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    CloseHandle(token);
    return text;
}

std::wstring userName() {
    wchar_t name[257] = {};
    DWORD length = 257;
    return GetUserNameW(name, &length) ? std::wstring(name) : std::wstring();
}

} // namespace

std::wstring instanceMutexName() {
    std::wstring user = userSid();
    if (user.empty())
        user = userName();
    // A backslash would name another namespace.
    for (wchar_t& c : user) {
        if (c == L'\\')
            c = L'_';
    }
    return L"Local\\Nearbeam-" + user;
}

bool claimInstance() {
    // Never closed: the system releases it when the process ends, however it ends.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, instanceMutexName().c_str());
    // Denied: it exists and is held. Any other failure says nothing of another
    // copy, and the user would rather have the program than none.
    if (!mutex)
        return GetLastError() != ERROR_ACCESS_DENIED;
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

bool handOver(const std::wstring& className, const std::wstring& title, WORD command,
              DWORD waitMs) {
    const DWORD started = GetTickCount();
    for (;;) {
        if (HWND window = FindWindowW(className.c_str(), title.c_str())) {
            // The user is answered by the running copy, which may bring its
            // windows forward.
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            AllowSetForegroundWindow(process);
            return PostMessageW(window, WM_COMMAND, command, 0) != FALSE;
        }
        if (GetTickCount() - started >= waitMs)
            return false;
        Sleep(100);
    }
}

void writeToStandardError(const std::string& line) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    // A windows program started from a console has no stream of its own.
    if ((!error || error == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        error = GetStdHandle(STD_ERROR_HANDLE);
    if (!error || error == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace nearbeam
