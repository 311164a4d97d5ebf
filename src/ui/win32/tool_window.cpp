#include "ui/win32/tool_window.h"

#include "ui/corner_placement.h"
#include "ui/error_text.h"

#include <optional>
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
    windowClass.cbClsExtra = sizeof(LONG_PTR); // holds kPageMark
    return RegisterClassExW(&windowClass);
}

namespace {

// In the class data of every page window (tool window): they cascade from each
// other.
constexpr LONG_PTR kPageMark = 0x4e42; // "NB"

Box boxOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// The frame of the page window shown last (the topmost of this thread's visible
// ones) other than window; none when no other is open.
std::optional<Box> lastPageWindow(HWND window) {
    struct Search {
        HWND self;
        std::optional<Box> found;
    } search{window, std::nullopt};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM lParam) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lParam);
            RECT rect = {};
            if (candidate == s.self || !IsWindowVisible(candidate) || IsIconic(candidate) ||
                GetClassLongPtrW(candidate, 0) != kPageMark || !GetWindowRect(candidate, &rect))
                return TRUE;
            s.found = boxOf(rect);
            return FALSE; // z-order, topmost first
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void place(HWND window, bool cascade) {
    RECT rect = {};
    RECT work = {};
    if (!GetWindowRect(window, &rect) || !SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        return;
    const Box placed =
        placeWindow(boxOf(rect), boxOf(work), cascade ? lastPageWindow(window) : std::nullopt);
    SetWindowPos(window, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void placeInCorner(HWND window) {
    place(window, false);
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
    SetClassLongPtrW(frame, 0, kPageMark);
    place(frame, true);
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
