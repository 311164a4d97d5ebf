#pragma once
// The program's face in the notification area (a StatusNotifierItem on current
// desktops): the status icon and tooltip, the menu, alerts as notifications whose
// click the program answers, and the 10-second timer that drives the ticks.
// It is also the running program's Notifier. Alerts go to the desktop's
// notification service; where none answers, to a small window of the program's
// own near the tray's corner (AlertWindow), one after the other.

#include "app/linux/desktop_notifications.h"
#include "app/notifier.h"
#include "app/tick.h"
#include "app/tray_actions.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

class Tray : public QObject, public Notifier {
    Q_OBJECT
  public:
    explicit Tray(TrayActions actions);
    ~Tray() override;
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;
    // What the timer runs, in place of the actions' tick.
    void setTick(std::function<void()> tick) { actions_.tick = std::move(tick); }

    // Shows the icon with the normal status and the tooltip "Nearbeam" and starts
    // the timer. False when the desktop has no notification area.
    bool show();
    // Sends alerts as notifications on this session bus (before any alert).
    void useNotifications(const QDBusConnection& sessionBus);

    // Why no access point can be seen ("NetworkManager is not running"); the
    // tooltip says it instead of the bare "no wireless signal". Empty: nothing known.
    void setBlindBecause(std::wstring why) { blindBecause_ = std::move(why); }
    void setStatus(int icon, const std::wstring& tooltip) override;
    // Any thread: the notification itself is shown on the user-interface thread.
    // Each alert is shown; balloons wait for the one before to go.
    void showAlert(const std::wstring& text, const std::wstring& title,
                   const std::wstring& link) override;
    void showMessage(const std::wstring& text, const std::wstring& caption) override;

    // A click on the balloon shown: its alert is followed and the next one shows.
    void alertClicked();
    // The alert's click, with its link, handed to the program.
    void followAlert(const std::wstring& link) {
        if (actions_.alertClicked)
            actions_.alertClicked(link);
    }
    void dropPendingLink() { pendingLink_.clear(); }

    // How long each balloon shows when others wait.
    static constexpr int kBalloonMs = kTickMs;

    QMenu& menu() { return menu_; }
    // The alert window shown now; none while no alert shows in one.
    QWidget* shownAlert() const { return shownAlert_; }
    QSystemTrayIcon& icon() { return icon_; }
    const QString& tooltip() const { return tooltip_; }

  private:
    struct Alert {
        QString title;
        QString body;
        std::wstring link;
    };
    void showBalloon(const Alert& alert);
    bool leadsSomewhere(const std::wstring& link) const;
    void nextBalloon();
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
    std::wstring blindBecause_;
    int shownIcon_ = -1;
    std::unique_ptr<DesktopNotifications> notifications_;
    std::deque<Alert> balloons_; // waiting for the shown one to go
    QTimer balloonShown_;
    std::wstring pendingLink_;     // the shown balloon's
    QPointer<QWidget> shownAlert_; // the alert window shown, while it is
};

} // namespace nearbeam
