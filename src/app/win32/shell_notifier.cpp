#include "app/win32/shell_notifier.h"

namespace nearbeam {

void ShellNotifier::setStatus(int icon, const std::wstring& tooltip) {
    icon_.setStatus(icon, tooltip);
}

void ShellNotifier::showAlert(const std::wstring& text, const std::wstring& title,
                              const std::wstring& link) {
    pendingLink_.set(link, [&] { icon_.showBalloon(text, title, !link.empty()); });
}

void ShellNotifier::showMessage(const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

} // namespace nearbeam
