#include "ui/win32/scanner_window.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/module_path.h"
#include "resource.h"
#include "ui/win32/tool_window.h"

#include <algorithm>

namespace nearbeam {

namespace {

constexpr const wchar_t* kClass = L"dlgScanner";
constexpr const wchar_t* kTitle = L"WiFi Scanner";
constexpr const char* kLinkScheme = "wifi://";

struct Speed {
    WORD command;
    int32_t milliseconds;
};
constexpr Speed kSpeeds[] = {{IDM_SPEED_1, 1000},
                             {IDM_SPEED_2, 2000},
                             {IDM_SPEED_5, 5000},
                             {IDM_SPEED_10, 10000},
                             {IDM_SPEED_30, 30000}};

// The menu's switches and where each is remembered.
struct Toggle {
    WORD command;
    settings::NumberSetting setting;
};
constexpr Toggle kToggles[] = {{IDM_ACTIVE_SCAN, settings::ActiveScan},
                               {IDM_VIEW_COMPACT, settings::ViewCompact},
                               {IDM_VIEW_MANUFACTURER, settings::ViewManufacturer},
                               {IDM_VIEW_CHANNEL, settings::ViewChannel},
                               {IDM_VIEW_BSSID, settings::ViewBssid}};

ScannerWindow* windowOf(HWND window) {
    return reinterpret_cast<ScannerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The program's folder with its trailing backslash; empty without one.
std::string programFolder(HINSTANCE instance) {
    const std::string path = narrow(modulePath(instance));
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void check(HMENU menu, WORD command, bool on) {
    CheckMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace

ScannerWindow::ScannerWindow(HINSTANCE instance, ScannerContext context)
    : instance_(instance), context_(std::move(context)) {}

HWND ScannerWindow::open() {
    baseFolder_ = programFolder(instance_);
    if (baseFolder_.empty()) {
        MessageBoxW(nullptr, L"Problem getting path.", L"Internal Error", MB_OK);
        return nullptr;
    }
    if (!registerDisplayClass(instance_)) {
        MessageBoxW(nullptr, L"Unable to launch browser", L"Internal Error", MB_OK);
        return nullptr;
    }
    HWND frame = openToolWindow(instance_, kClass, kTitle, IDI_NEARBEAM, IDR_SCANNER_MENU,
                                IDD_SCANNER, frameProcedure, dialogProcedure);
    if (!frame) {
        showErrorBox(L"Error creating window", kTitle, -1);
        return nullptr;
    }
    if (!windowOf(frame))
        start(frame);
    return frame;
}

// A new window: the remembered choices on the menu, a new table, a first refresh
// and the timer.
void ScannerWindow::start(HWND frame) {
    SettingsStore& store = context_.settings;
    HMENU menu = GetMenu(frame);
    activeScan_ = settings::read(store, settings::ActiveScan) != 0;
    view_.compact = settings::read(store, settings::ViewCompact) != 0;
    view_.manufacturer = settings::read(store, settings::ViewManufacturer) != 0;
    view_.channel = settings::read(store, settings::ViewChannel) != 0;
    view_.bssid = settings::read(store, settings::ViewBssid) != 0;
    check(menu, IDM_ACTIVE_SCAN, activeScan_);
    check(menu, IDM_VIEW_COMPACT, view_.compact);
    check(menu, IDM_VIEW_MANUFACTURER, view_.manufacturer);
    check(menu, IDM_VIEW_CHANNEL, view_.channel);
    check(menu, IDM_VIEW_BSSID, view_.bssid);
    intervalMs_ = settings::read(store, settings::ScanInterval);
    for (const Speed& speed : kSpeeds)
        check(menu, speed.command, speed.milliseconds == intervalMs_);
    // A remembered interval below a second (edited by hand) would make the timer
    // spin and keep the list from ever ageing.
    intervalMs_ = std::max<int32_t>(intervalMs_, 1000);

    dialog_ = GetWindow(frame, GW_CHILD);
    SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(dialog_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    fillFrame(frame, {IDC_DISPLAY, IDC_DISPLAY_BACK});
    model_ = std::make_unique<ScannerModel>(context_.parts, view_.compact);
    refresh();
    SetTimer(dialog_, IDT_SCANNER, static_cast<UINT>(intervalMs_), nullptr);
}

void ScannerWindow::refresh() {
    if (!model_)
        return;
    model_->refresh(intervalMs_, activeScan_, view_);
    const std::string page = model_->page(baseFolder_, view_);
    HWND display = GetDlgItem(dialog_, IDC_DISPLAY);
    SendMessageW(display, DISPLAY_CLEAR, 0, 0);
    SendMessageW(display, DISPLAY_APPEND, 0, reinterpret_cast<LPARAM>(page.c_str()));
    SendMessageW(display, DISPLAY_SHOW, 0, 0);
    Sleep(200);
    ShowWindow(display, SW_SHOW);
    ShowWindow(GetDlgItem(dialog_, IDC_DISPLAY_BACK), SW_HIDE);
}

LRESULT CALLBACK ScannerWindow::frameProcedure(HWND frame, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    ScannerWindow* self = windowOf(frame);
    if (self && message == WM_COMMAND)
        return self->onCommand(frame, LOWORD(wParam));
    if (self && message == WM_SIZE && wParam == SIZE_RESTORED) {
        fillFrame(frame, {IDC_DISPLAY, IDC_DISPLAY_BACK});
        return 0;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

LRESULT ScannerWindow::onCommand(HWND frame, WORD command) {
    switch (command) {
    case IDM_SPEED_1:
    case IDM_SPEED_2:
    case IDM_SPEED_5:
    case IDM_SPEED_10:
    case IDM_SPEED_30:
        setSpeed(frame, command);
        return 0;
    case IDM_ACTIVE_SCAN:
    case IDM_VIEW_COMPACT:
    case IDM_VIEW_MANUFACTURER:
    case IDM_VIEW_CHANNEL:
    case IDM_VIEW_BSSID:
        toggle(frame, command);
        return 0;
    case IDM_CLEAR:
        if (model_)
            model_->clear();
        return 0;
    case IDM_OPTIONS:
        if (context_.options)
            context_.options();
        return 0;
    case IDM_UPLOAD:
        if (context_.upload)
            context_.upload();
        return 0;
    case IDOK:
        SendMessageW(frame, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageW(frame, WM_CLOSE, 0, 0);
        return 0;
    case IDM_EXIT:
        DestroyWindow(frame);
        return 0;
    default:
        return DefWindowProcW(frame, WM_COMMAND, command, 0);
    }
}

void ScannerWindow::toggle(HWND frame, WORD command) {
    HMENU menu = GetMenu(frame);
    const bool on = (GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED) == 0;
    check(menu, command, on);
    for (const Toggle& t : kToggles) {
        if (t.command == command)
            settings::write(context_.settings, t.setting, on ? 1 : 0);
    }
    switch (command) {
    case IDM_ACTIVE_SCAN:
        activeScan_ = on;
        break;
    case IDM_VIEW_COMPACT:
        view_.compact = on;
        if (model_)
            model_->resetTable(on);
        break;
    case IDM_VIEW_MANUFACTURER:
        view_.manufacturer = on;
        break;
    case IDM_VIEW_CHANNEL:
        view_.channel = on;
        break;
    case IDM_VIEW_BSSID:
        view_.bssid = on;
        break;
    default:
        break;
    }
}

void ScannerWindow::setSpeed(HWND frame, WORD command) {
    for (const Speed& speed : kSpeeds) {
        if (speed.command != command)
            continue;
        CheckMenuRadioItem(GetMenu(frame), IDM_SPEED_1, IDM_SPEED_30, command, MF_BYCOMMAND);
        intervalMs_ = speed.milliseconds;
        SetTimer(dialog_, IDT_SCANNER, static_cast<UINT>(intervalMs_), nullptr);
        settings::write(context_.settings, settings::ScanInterval, intervalMs_);
    }
}

INT_PTR CALLBACK ScannerWindow::dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    ScannerWindow* self = windowOf(dialog);
    switch (message) {
    case WM_INITDIALOG:
        return TRUE; // the window starts once it knows its owner
    case WM_TIMER:
        if (self && wParam == IDT_SCANNER)
            self->refresh();
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!self || header->code != DISPLAY_LINK ||
            (header->idFrom != IDC_DISPLAY && header->idFrom != IDC_DISPLAY_BACK))
            return FALSE;
        return self->onLink(dialog, *reinterpret_cast<const DisplayLinkNotify*>(lParam));
    }
    case WM_DESTROY:
        KillTimer(dialog, IDT_SCANNER);
        if (self) {
            self->model_.reset();
            self->dialog_ = nullptr;
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// A row's link names its access point; other links are left to the page.
INT_PTR ScannerWindow::onLink(HWND dialog, const DisplayLinkNotify& notify) {
    const std::string link = notify.url ? notify.url : "";
    if (link.compare(0, 7, kLinkScheme) != 0)
        return FALSE;
    std::string bssid = link.substr(7);
    // The browser may end an address without a path in a slash.
    while (!bssid.empty() && bssid.back() == '/')
        bssid.pop_back();
    if (bssid.empty()) {
        MessageBoxW(GetParent(dialog), L"This is a mobile device, so you can't give it a location.",
                    kTitle, MB_OK);
    } else if (context_.showPage) {
        context_.showPage(widen(bssid));
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
    return TRUE;
}

} // namespace nearbeam
