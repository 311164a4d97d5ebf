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
    added_ = false;
    NOTIFYICONDATAW data = base(0);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

bool TrayIcon::added() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return added_;
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
    data.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(icon_));
    copyText(data.szTip, tooltip_, kTooltipChars);
    added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
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
    data.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(icon_));
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

UINT TrayIcon::taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

} // namespace nearbeam
