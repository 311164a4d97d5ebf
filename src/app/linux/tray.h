#pragma once
// The program's face in the notification area (a StatusNotifierItem on current
// desktops): the status icon and tooltip, the menu, alerts as notifications whose
// click opens the alert's link, and the 10-second timer that drives the ticks.
// It is also the running program's Notifier. Alerts go to the desktop's
// notification service; where none answers, to the icon's balloon, one after the
// other.

#include "app/linux/desktop_notifications.h"
#include "app/notifier.h"
#include "app/status.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

// What the menu and the icon's events do; each may be left empty.
struct TrayActions {
    std::function<void()> tick;              // the timer
    std::function<void()> whereAmI;          // "&Where am I?", a click on the icon
    std::function<void()> scanner;           // "&Scanner"
    std::function<void()> upload;            // "&Upload..."
    std::function<void()> options;           // "&Options..."
    std::function<void()> togglePrivateMode; // "&Private mode"
    std::function<bool()> privateMode;       // its check mark
    std::function<void()> exit;              // "E&xit"
    std::function<LookupStatus()> lastStatus;
    // Opens the link of a clicked alert; empty: the user's browser.
    std::function<void(const std::wstring& link)> openLink;
};

class Tray : public QObject, public Notifier {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 10000;

    // iconFolder: where the status icons (tray-*.ico) are.
    Tray(const QString& iconFolder, TrayActions actions);

    // Shows the icon with the normal status and the tooltip "Nearbeam" and starts
    // the timer. False when the desktop has no notification area.
    bool show();
    // Sends alerts as notifications on this session bus (before any alert).
    void useNotifications(const QDBusConnection& sessionBus);

    void setStatus(int icon, const std::wstring& tooltip) override;
    // Any thread: the notification itself is shown on the user-interface thread.
    // Each alert is shown; balloons wait for the one before to go.
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override;
    void showMessage(const std::wstring& text, const std::wstring& caption) override;

    // A click on the balloon shown: its alert is followed and the next one shows.
    void alertClicked();
    // The alert's click: the location page for an unrecognised place, else the
    // alert's link (web and mail links only).
    void followAlert(const std::wstring& link);
    void dropPendingLink() { pendingLink_.clear(); }

    // How long each balloon shows when others wait.
    static constexpr int kBalloonMs = kTickMs;

    QMenu& menu() { return menu_; }
    QSystemTrayIcon& icon() { return icon_; }
    const QString& tooltip() const { return tooltip_; }

  private:
    struct Alert {
        QString title;
        QString body;
        std::wstring link;
    };
    void showBalloon(const Alert& alert);
    void nextBalloon();
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void menuAboutToShow();
    static void run(const std::function<void()>& action) {
        if (action)
            action();
    }

    QString iconFolder_;
    TrayActions actions_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction* privateMode_ = nullptr;
    QTimer timer_;
    QString tooltip_;
    int shownIcon_ = -1;
    std::unique_ptr<DesktopNotifications> notifications_;
    std::deque<Alert> balloons_; // waiting for the shown one to go
    QTimer balloonShown_;
    std::wstring pendingLink_; // the shown balloon's
};

} // namespace nearbeam
