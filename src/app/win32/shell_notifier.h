#pragma once
// The Notifier of the running program: the tray icon's tooltip and balloons, the
// link of the last balloon, and message boxes.

#include "app/notifier.h"
#include "app/win32/tray_icon.h"

#include <string>

namespace nearbeam {

class ShellNotifier : public Notifier {
  public:
    explicit ShellNotifier(TrayIcon& icon) : icon_(icon) {}

    void setStatus(int icon, const std::wstring& tooltip) override;
    // Called on the user-interface thread and on the web agent's thread.
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override;
    void showMessage(const std::wstring& text, const std::wstring& caption) override;

    // The link of the balloon shown last, taken out (none afterwards).
    std::wstring takePendingLink() { return pendingLink_.take(); }
    void dropPendingLink() { pendingLink_.drop(); }

  private:
    TrayIcon& icon_;
    PendingLink pendingLink_;
};

} // namespace nearbeam
