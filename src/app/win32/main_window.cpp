#include "app/win32/main_window.h"

#include "app/tick.h"
#include "resource.h"
#include "ui/win32/messages.h"

#include <shellapi.h>

namespace nearbeam {

bool MainWindow::registerClass(HINSTANCE instance, const std::wstring& className) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &MainWindow::procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_NEARBEAM));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className.c_str();
    return RegisterClassExW(&wc) != 0;
}

bool MainWindow::create(HINSTANCE instance, const std::wstring& className,
                        const std::wstring& title) {
    instance_ = instance;
    window_ = CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance, this);
    if (!window_)
        return false;
    ShowWindow(window_, SW_HIDE);
    UpdateWindow(window_);
    icon_ = std::make_unique<TrayIcon>(window_, instance, NB_TRAY_CALLBACK_MESSAGE, IDI_TRAY_NORMAL,
                                       L"Nearbeam");
    return true;
}

HMENU MainWindow::buildMenu(bool privateMode) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, IDM_WHERE_AM_I, L"&Where am I?");
    AppendMenuW(menu, MF_STRING, IDM_SCANNER, L"&Scanner");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_UPLOAD, L"&Upload...");
    AppendMenuW(menu, MF_STRING, IDM_SURVEY, L"Sur&vey...");
    AppendMenuW(menu, MF_STRING, IDM_OPTIONS, L"&Options...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (privateMode ? MF_CHECKED : MF_UNCHECKED), IDM_PRIVATE_MODE,
                L"&Private mode");
    AppendMenuW(menu, MF_STRING, IDM_EXIT, L"E&xit");
    // Bold: what a left click does.
    SetMenuDefaultItem(menu, IDM_WHERE_AM_I, FALSE);
    return menu;
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window_, IDT_TICK, kTickMs, nullptr);
        return 0;
    case WM_TIMER:
        run(actions_.tick);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window_, &paint);
        EndPaint(window_, &paint);
        return 0;
    }
    case WM_COMMAND:
        return onCommand(wParam, lParam);
    case NB_TRAY_CALLBACK_MESSAGE:
        return onIconEvent(lParam);
    case nearbeam::message::ServerAnswered:
        run(actions_.serverAnswered);
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    default:
        if (message == TrayIcon::taskbarCreatedMessage() && icon_) {
            icon_->readd();
            return 0;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

LRESULT MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_NEW_SUBSCRIPTIONS:
        run(actions_.newSubscriptions);
        return 1;
    case IDM_WHERE_AM_I:
        run(actions_.whereAmI);
        return 0;
    case IDM_SCANNER:
        run(actions_.scanner);
        return 0;
    case IDM_UPLOAD:
        run(actions_.upload);
        return 0;
    case IDM_SURVEY:
        run(actions_.survey);
        return 0;
    case IDM_OPTIONS:
        run(actions_.options);
        return 0;
    case IDM_PRIVATE_MODE:
        run(actions_.togglePrivateMode);
        return 0;
    case IDM_EXIT:
        DestroyWindow(window_);
        return 0;
    default:
        return DefWindowProcW(window_, WM_COMMAND, wParam, lParam);
    }
}

LRESULT MainWindow::onIconEvent(LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
        run(actions_.whereAmI);
        return 1;
    case WM_RBUTTONDOWN:
        pendingLink_.drop();
        showMenu();
        return 1;
    // The balloon's events arrive in the low word of lParam (interface version 3).
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
        pendingLink_.drop();
        return 0;
    case NIN_BALLOONUSERCLICK:
        if (actions_.alertClicked)
            actions_.alertClicked(takePendingLink());
        return 0;
    case NIN_BALLOONSHOW:
    default:
        return 0;
    }
}

void MainWindow::showMenu() {
    HMENU menu = buildMenu(actions_.privateMode && actions_.privateMode());
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(window_);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN, at.x, at.y, 0, window_, nullptr);
    // Lets the menu close when the user clicks elsewhere.
    PostMessageW(window_, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void MainWindow::onDestroy() {
    // Alerts may still come from the web agent's thread: the icon object stays,
    // it only leaves the notification area.
    if (icon_)
        icon_->remove();
    KillTimer(window_, IDT_TICK);
    PostQuitMessage(0);
}

} // namespace nearbeam
