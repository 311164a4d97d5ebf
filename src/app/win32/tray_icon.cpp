#include "app/win32/tray_icon.h"

#include "app/notifier.h"

#include <shellapi.h>

#include <algorithm>

namespace nearbeam {

namespace {

constexpr UINT kIconId = 0;
constexpr UINT kBalloonTimeoutMs = 10000;

template <size_t N> void copyText(wchar_t (&to)[N], const std::wstring& text, size_t limit) {
    const size_t count = std::min({text.size(), limit, N - 1});
    std::copy_n(text.data(), count, to);
    to[count] = L'\0';
}

} // namespace

TrayIcon::TrayIcon(HWND window, HINSTANCE instance, UINT callbackMessage, int icon,
                   const std::wstring& tooltip)
    : window_(window), instance_(instance), callbackMessage_(callbackMessage), icon_(icon),
      tooltip_(tooltip) {
    add();
}

TrayIcon::~TrayIcon() {
    remove();
}

void TrayIcon::remove() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (removed_)
        return;
    removed_ = true;
    NOTIFYICONDATAW data = base(0);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

NOTIFYICONDATAW TrayIcon::base(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE; // the shell version with balloons
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = flags;
    return data;
}

void TrayIcon::add() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (removed_)
        return;
    NOTIFYICONDATAW data = base(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = loadTrayIcon(instance_, icon_);
    copyText(data.szTip, tooltip_, kTooltipChars);
    Shell_NotifyIconW(NIM_ADD, &data);
    data.uVersion = NOTIFYICON_VERSION;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
}

void TrayIcon::readd() {
    add();
}

void TrayIcon::setStatus(int icon, const std::wstring& tooltip) {
    std::lock_guard<std::mutex> lock(mutex_);
    icon_ = icon;
    tooltip_ = cutText(tooltip, kTooltipChars);
    if (removed_)
        return;
    NOTIFYICONDATAW data = base(NIF_ICON | NIF_TIP);
    data.hIcon = loadTrayIcon(instance_, icon_);
    copyText(data.szTip, tooltip_, kTooltipChars);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIcon::showBalloon(const std::wstring& text, const std::wstring& title, bool infoIcon) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (removed_)
        return;
    NOTIFYICONDATAW data = base(NIF_INFO);
    copyText(data.szInfo, text, kAlertTextChars);
    copyText(data.szInfoTitle, title, kAlertTitleChars);
    data.uTimeout = kBalloonTimeoutMs;
    data.dwInfoFlags = infoIcon ? NIIF_INFO : NIIF_NONE;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

HICON TrayIcon::loadTrayIcon(HINSTANCE instance, int icon) {
    // LoadIcon would give the large image, which the shell then shrinks.
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

UINT TrayIcon::taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

} // namespace nearbeam
