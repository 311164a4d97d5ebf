#include "app/linux/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace nearbeam {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// The installed icon and desktop entry share the program's name.
const QString kProgramName = QStringLiteral("net.nearbeam.Nearbeam");

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus,
                                           std::function<void(const std::wstring&)> clicked)
    : bus_(std::move(bus)), clicked_(std::move(clicked)) {
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(notificationClosed(uint, uint)));
}

void DesktopNotifications::notify(const QString& title, const QString& body,
                                  const std::wstring& link, bool leadsSomewhere,
                                  std::function<void()> unanswered) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kProgramName);
    // The body is plain text: services that read markup must not read it as such.
    QString plain = body.toHtmlEscaped();
    message << QStringLiteral("Nearbeam") << 0u << kProgramName << title << plain
            << (leadsSomewhere ? QStringList{kDefaultAction, QStringLiteral("Open")}
                               : QStringList())
            << hints << -1;
    if (!bus_.isConnected()) {
        unanswered();
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, link, unanswered = std::move(unanswered)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    unanswered();
                    return;
                }
                named(reply.value(), link);
            });
}

void DesktopNotifications::named(uint id, const std::wstring& link) {
    // What the service said of it before: the first of a click or a close ends it,
    // and a click follows the link, as when the signals come after the name.
    bool ended = false;
    bool click = false;
    for (auto it = early_.begin(); it != early_.end();) {
        if (it->id != id) {
            ++it;
            continue;
        }
        click = click || (!ended && it->clicked);
        ended = true;
        it = early_.erase(it);
    }
    if (!ended)
        links_[id] = link;
    else if (click && clicked_)
        clicked_(link);
}

void DesktopNotifications::remember(uint id, bool clicked) {
    early_.push_back({id, clicked});
    if (early_.size() > kEarlySignalsKept)
        early_.pop_front();
}

void DesktopNotifications::actionInvoked(uint id, const QString& action) {
    if (action != kDefaultAction)
        return;
    const auto found = links_.find(id);
    if (found == links_.end()) {
        remember(id, true);
        return;
    }
    // Once: the notification is done with, whatever the service does with it.
    const std::wstring link = found->second;
    links_.erase(found);
    if (clicked_)
        clicked_(link);
}

void DesktopNotifications::notificationClosed(uint id, uint /*reason*/) {
    if (links_.erase(id) == 0)
        remember(id, false);
}

} // namespace nearbeam
