#include "ui/win32/tool_window.h"

#include "ui/corner_placement.h"
#include "ui/error_text.h"

#include <string>

namespace nearbeam {

namespace {

constexpr int kFrameWidth = 280;
constexpr int kFrameHeight = 340;

} // namespace

void bringForward(HWND window) {
    // The last active popup covers the window and the windows it owns.
    SetForegroundWindow(GetLastActivePopup(window));
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
}

ATOM registerToolWindowClass(HINSTANCE instance, const wchar_t* className, int iconId, int menuId,
                             WNDPROC procedure) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, className, &existing))
        return 1;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(menuId);
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass);
}

void placeInCorner(HWND window) {
    RECT rect = {};
    RECT work = {};
    if (!GetWindowRect(window, &rect) || !SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        return;
    const Point corner = cornerPosition({rect.left, rect.top, rect.right, rect.bottom},
                                        {work.left, work.top, work.right, work.bottom});
    SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND openToolWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title, int iconId,
                    int menuId, int templateId, WNDPROC frameProcedure, DLGPROC dialogProcedure) {
    if (HWND existing = FindWindowW(className, title)) {
        bringForward(existing);
        return existing;
    }
    if (!registerToolWindowClass(instance, className, iconId, menuId, frameProcedure))
        return nullptr;
    HWND frame =
        CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!frame)
        return nullptr;
    SetWindowPos(frame, nullptr, 0, 0, kFrameWidth, kFrameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placeInCorner(frame);
    if (!CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), frame, dialogProcedure, 0)) {
        const DWORD error = GetLastError();
        DestroyWindow(frame);
        SetLastError(error);
        return nullptr;
    }
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);
    return frame;
}

void showErrorBox(const wchar_t* text, const wchar_t* caption, long code) {
    const DWORD error = code == -1 ? GetLastError() : static_cast<DWORD>(code);
    wchar_t* systemText = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
    const std::wstring shown = errorBoxText(text, systemText ? systemText : L"");
    if (systemText)
        LocalFree(systemText);
    MessageBoxW(nullptr, shown.c_str(), caption, MB_OK);
}

} // namespace nearbeam
