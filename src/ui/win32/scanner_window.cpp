#include "ui/win32/scanner_window.h"

#include "base/path_parts.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/module_path.h"
#include "resource.h"

namespace nearbeam {

namespace {

constexpr const wchar_t* kTitle = L"WiFi Scanner";

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

void check(HMENU menu, WORD command, bool on) {
    CheckMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace

ScannerWindow::ScannerWindow(HINSTANCE instance, ScannerContext context)
    : PageWindow(instance, {L"dlgScanner",
                            kTitle,
                            IDR_SCANNER_MENU,
                            IDD_SCANNER,
                            {IDC_DISPLAY, IDC_DISPLAY_BACK},
                            kTitle,
                            false}),
      context_(std::move(context)) {}

HWND ScannerWindow::open() {
    // The page finds its images in the program's folder.
    baseFolder_ = narrow(folderOf(modulePath(instance())));
    if (baseFolder_.empty()) {
        MessageBoxW(nullptr, L"Problem getting path.", L"Internal Error", MB_OK);
        return nullptr;
    }
    return openFrame();
}

// A new window: the remembered choices on the menu, a new table, a first refresh
// and the timer.
void ScannerWindow::start(HWND frame, HWND dialog) {
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
    const int32_t remembered = settings::read(store, settings::ScanInterval);
    for (const Speed& speed : kSpeeds)
        check(menu, speed.command, speed.milliseconds == remembered);
    intervalMs_ = refreshIntervalMs(remembered);

    dialog_ = dialog;
    model_ = std::make_unique<ScannerModel>(context_.parts, view_.compact);
    refresh();
    SetTimer(dialog_, IDT_SCANNER, static_cast<UINT>(intervalMs_), nullptr);
}

void ScannerWindow::refresh() {
    if (!model_)
        return;
    model_->refresh(intervalMs_, activeScan_, view_);
    showHtml(dialog_, model_->page(baseFolder_, view_));
    ShowWindow(GetDlgItem(dialog_, IDC_DISPLAY), SW_SHOW);
    ShowWindow(GetDlgItem(dialog_, IDC_DISPLAY_BACK), SW_HIDE);
}

bool ScannerWindow::onCommand(HWND frame, WORD command) {
    switch (command) {
    case IDM_SPEED_1:
    case IDM_SPEED_2:
    case IDM_SPEED_5:
    case IDM_SPEED_10:
    case IDM_SPEED_30:
        setSpeed(frame, command);
        return true;
    case IDM_ACTIVE_SCAN:
    case IDM_VIEW_COMPACT:
    case IDM_VIEW_MANUFACTURER:
    case IDM_VIEW_CHANNEL:
    case IDM_VIEW_BSSID:
        toggle(frame, command);
        return true;
    case IDM_CLEAR:
        if (model_)
            model_->clear();
        return true;
    case IDM_OPTIONS:
        if (context_.options)
            context_.options();
        return true;
    case IDM_UPLOAD:
        if (context_.upload)
            context_.upload();
        return true;
    case IDOK:
        SendMessageW(frame, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageW(frame, WM_CLOSE, 0, 0);
        return true;
    case IDM_EXIT:
        DestroyWindow(frame);
        return true;
    default:
        return false;
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

INT_PTR ScannerWindow::onDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_TIMER:
        if (wParam == IDT_SCANNER)
            refresh();
        return TRUE;
    case WM_DESTROY:
        KillTimer(dialog, IDT_SCANNER);
        model_.reset();
        dialog_ = nullptr;
        return TRUE;
    default:
        return FALSE;
    }
}

// A row's link names its access point; other links are left to the page.
bool ScannerWindow::onLink(HWND dialog, const std::string& link) {
    const std::optional<std::string> key = rowLinkKey(link);
    if (!key)
        return false;
    if (key->empty()) {
        MessageBoxW(GetParent(dialog), kMobileDeviceText, kTitle, MB_OK);
    } else if (context_.showPage) {
        context_.showPage(widen(*key));
    }
    return true;
}

} // namespace nearbeam
