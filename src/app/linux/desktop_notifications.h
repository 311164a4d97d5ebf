#pragma once
// Alerts as the desktop's own notifications (org.freedesktop.Notifications on the
// session bus): each alert its own notification, with the program's name and icon
// and a default action, so a click on it reaches the program with the link of the
// alert it belongs to. Desktops show these with or without a notification area.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <string>

namespace nearbeam {

class DesktopNotifications : public QObject {
    Q_OBJECT
  public:
    // A desktop that has not answered in this time has no notification service.
    static constexpr int kAnswerMs = 5000;

    // clicked: the user chose a shown notification; its alert's link (maybe empty).
    DesktopNotifications(QDBusConnection bus, std::function<void(const std::wstring&)> clicked);

    // Sends one notification; it offers "Open" only when leadsSomewhere (a click
    // would do something). When no service takes it, `unanswered` runs (on this
    // thread, later), so the caller can show the alert another way.
    void notify(const QString& title, const QString& body, const std::wstring& link,
                bool leadsSomewhere, std::function<void()> unanswered);

    // Notifications shown and not yet closed.
    size_t shown() const { return links_.size(); }

  private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

  private:
    // The service's reply that names a notification and the service's signals
    // about it come by different ways and may arrive in either order: a signal for
    // an id not known yet is kept (the newest few; the signals of other programs'
    // notifications come here too) until the reply names it.
    struct EarlySignal {
        uint id;
        bool clicked; // else closed
    };
    static constexpr size_t kEarlySignalsKept = 32;
    void named(uint id, const std::wstring& link);
    void remember(uint id, bool clicked);

    QDBusConnection bus_;
    std::function<void(const std::wstring&)> clicked_;
    std::map<uint, std::wstring> links_; // by the service's notification id
    std::deque<EarlySignal> early_;
};

} // namespace nearbeam
