#pragma once
// The program's face in the notification area (a StatusNotifierItem on current
// desktops): the status icon and tooltip, the menu, alerts as notifications whose
// click the program answers, and the 10-second timer that drives the ticks.
// It is also the running program's Notifier.

#include "app/notifier.h"
#include "app/program.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <string>

namespace nearbeam {

class Tray : public QObject, public Notifier {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 10000;

    explicit Tray(TrayActions actions);
    // What the timer runs, in place of the actions' tick.
    void setTick(std::function<void()> tick) { actions_.tick = std::move(tick); }

    // Shows the icon with the normal status and the tooltip "Nearbeam" and starts
    // the timer. False when the desktop has no notification area.
    bool show();

    void setStatus(int icon, const std::wstring& tooltip) override;
    // Any thread: the notification itself is shown on the user-interface thread.
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override;
    void showMessage(const std::wstring& text, const std::wstring& caption) override;

    // The alert's click: hands the alert's link, once, to the program.
    void alertClicked();

    QMenu& menu() { return menu_; }
    QSystemTrayIcon& icon() { return icon_; }
    const QString& tooltip() const { return tooltip_; }

  private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void menuAboutToShow();
    static void run(const std::function<void()>& action) {
        if (action)
            action();
    }

    TrayActions actions_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction* privateMode_ = nullptr;
    QTimer timer_;
    QString tooltip_;
    PendingLink pendingLink_;
};

} // namespace nearbeam
