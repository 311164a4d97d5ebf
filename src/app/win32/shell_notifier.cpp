#include "app/win32/shell_notifier.h"

namespace nearbeam {

void ShellNotifier::setStatus(int icon, const std::wstring& tooltip) {
    icon_.setStatus(icon, tooltip);
}

void ShellNotifier::showAlert(const std::wstring& text, const std::wstring& title,
                              const std::wstring& link) {
    // The link is replaced under the same lock as the balloon is shown, so a
    // click can never pair one alert's balloon with another alert's link.
    std::lock_guard<std::mutex> lock(linkMutex_);
    icon_.showBalloon(text, title, !link.empty());
    pendingLink_ = link;
}

void ShellNotifier::showMessage(const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

std::wstring ShellNotifier::takePendingLink() {
    std::lock_guard<std::mutex> lock(linkMutex_);
    std::wstring link;
    link.swap(pendingLink_);
    return link;
}

void ShellNotifier::dropPendingLink() {
    std::lock_guard<std::mutex> lock(linkMutex_);
    pendingLink_.clear();
}

} // namespace nearbeam
