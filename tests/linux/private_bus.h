#pragma once
// A D-Bus daemon of the test's own, on a Unix socket in a temporary folder, and
// one of python3-dbusmock's services on it: NetworkManager as the program sees it
// on a system bus, or a desktop's notification service on a session bus, without
// touching the machine's.

#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace nearbeam::test {

class PrivateBus {
  public:
    PrivateBus() {
        static std::atomic<int> counter{0};
        address_ = QStringLiteral("unix:path=") + QString::fromStdString(dir_.file("bus"));
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--nopidfile"), QStringLiteral("--address=") + address_});
        name_ = QStringLiteral("nearbeam-test-bus-%1").arg(counter++);
        for (int i = 0; i < 600 && !connection().isConnected(); ++i) { // at most half a minute
            QDBusConnection::disconnectFromBus(name_);
            QThread::msleep(50);
        }
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(name_);
        for (QProcess* process : {&mock_, &daemon_}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& address() const { return address_; }
    QDBusConnection connection() const { return QDBusConnection::connectToBus(address_, name_); }

    // Starts the NetworkManager template and waits for its name on the bus.
    // The template answers only the older GetDevices, as some NetworkManagers do:
    // the program falls back to it.
    bool startNetworkManager() {
        return startTemplate(QStringLiteral("--system"), QStringLiteral("networkmanager"),
                             kService);
    }

    // Starts the notification service template and waits for its name on the bus.
    bool startNotificationService() {
        return startTemplate(QStringLiteral("--session"), QStringLiteral("notification_daemon"),
                             kNotifications);
    }

    // A method of the template's control interface on NetworkManager's object.
    QDBusMessage mock(const QString& method, const QVariantList& arguments) const {
        return mockCall(kService, QStringLiteral("/org/freedesktop/NetworkManager"), method,
                        arguments);
    }
    // And on the notification service's object.
    QDBusMessage notificationMock(const QString& method, const QVariantList& arguments) const {
        return mockCall(kNotifications, QStringLiteral("/org/freedesktop/Notifications"), method,
                        arguments);
    }

    static inline const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
    static inline const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");

  private:
    bool startTemplate(const QString& bus, const QString& name, const QString& service) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(bus == QStringLiteral("--system") ? QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS")
                                                     : QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   address_);
        mock_.setProcessEnvironment(env);
        mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's python, whatever python3 is first on the path.
        mock_.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), bus,
                     QStringLiteral("--template"), name});
        QElapsedTimer waited;
        waited.start();
        while (!connection().interface()->isServiceRegistered(service).value()) {
            if (waited.elapsed() > 30000)
                return false;
            QThread::msleep(50);
        }
        return true;
    }
    QDBusMessage mockCall(const QString& service, const QString& path, const QString& method,
                          const QVariantList& arguments) const {
        QDBusMessage message = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Mock"), method);
        message.setArguments(arguments);
        const QDBusMessage reply = connection().call(message);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }

    TempDir dir_;
    QString address_;
    QString name_;
    QProcess daemon_;
    QProcess mock_;
};

} // namespace nearbeam::test
