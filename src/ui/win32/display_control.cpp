#include "ui/win32/display_control.h"

#include "base/text.h"
#include "base/win32/module_path.h"
#include "ui/link_rule.h"
#include "ui/page_file.h"
#include "ui/win32/browser_host.h"

#include <memory>
#include <new>
#include <string>

namespace nearbeam {

namespace {

// What a control keeps, found through its window's extra bytes.
struct Display {
    std::unique_ptr<BrowserHost> host;
    std::string page; // 8-bit, as appended
};

Display* displayOf(HWND window) {
    return reinterpret_cast<Display*>(GetWindowLongPtrW(window, 0));
}

std::wstring tempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// Links other than the control's own page go to the parent, which may take them.
void onNavigation(HWND control, const std::wstring& url, VARIANT_BOOL& cancel) {
    if (followsInside(url))
        return;
    const std::string link = narrow(url);
    DisplayLinkNotify notify = {};
    notify.header.hwndFrom = control;
    notify.header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    notify.header.code = DISPLAY_LINK;
    notify.url = link.c_str();
    const LRESULT taken = SendMessageW(GetParent(control), WM_NOTIFY, notify.header.idFrom,
                                       reinterpret_cast<LPARAM>(&notify));
    cancel = taken ? VARIANT_TRUE : VARIANT_FALSE;
}

void show(HWND window, Display& display) {
    // The page file is named after the program file of the control's instance.
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    const std::string path = writePageFile(
        pageFileCandidates(narrow(modulePath(instance)), narrow(tempFolder())), display.page);
    // Nothing written: the control keeps its previous page.
    if (!path.empty() && display.host)
        display.host->navigate(L"file:///" + widen(path));
}

LRESULT onCreate(HWND window) {
    auto* display = new (std::nothrow) Display;
    if (!display)
        return -1;
    display->host.reset(new (std::nothrow) BrowserHost(window));
    if (!display->host || display->host->create() != 0) {
        delete display;
        return -1;
    }
    display->host->setLinkCallback([window](const std::wstring& url, VARIANT_BOOL& cancel) {
        onNavigation(window, url, cancel);
    });
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(display));
    return 0;
}

LRESULT CALLBACK displayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Display* display = displayOf(window);
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_SIZE:
        if (HWND browser = GetWindow(window, GW_CHILD))
            MoveWindow(browser, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
        SetWindowLongPtrW(window, 0, 0);
        delete display;
        return 0;
    case DISPLAY_APPEND:
        if (display && lParam)
            display->page += reinterpret_cast<const char*>(lParam);
        return 0;
    case DISPLAY_SHOW:
        if (display)
            show(window, *display);
        return 0;
    case DISPLAY_CLEAR:
        if (display)
            display->page.clear();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

bool registerDisplayClass(HINSTANCE instance) {
    const HRESULT ole = OleInitialize(nullptr);
    if (ole != S_OK && ole != S_FALSE)
        return false;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kDisplayClass, &existing))
        return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = displayProcedure;
    windowClass.cbWndExtra = sizeof(Display*);
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kDisplayClass;
    return RegisterClassExW(&windowClass) != 0;
}

void fillFrame(HWND frame, HWND dialog, const std::vector<int>& displayIds) {
    if (!dialog)
        return;
    RECT client = {};
    GetClientRect(frame, &client);
    MoveWindow(dialog, 0, 0, client.right, client.bottom, TRUE);
    for (int id : displayIds) {
        if (HWND display = GetDlgItem(dialog, id))
            MoveWindow(display, 0, 0, client.right, client.bottom, TRUE);
    }
}

BrowserHost* displayBrowserHost(HWND control) {
    Display* display = displayOf(control);
    return display ? display->host.get() : nullptr;
}

} // namespace nearbeam
