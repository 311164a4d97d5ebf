#pragma once
// A D-Bus daemon of the test's own, on a Unix socket in a temporary folder, and
// python3-dbusmock's NetworkManager on it: NetworkManager as the program sees it
// on a system bus, without touching the machine's.

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
    bool startNetworkManager() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
        mock_.setProcessEnvironment(env);
        mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Debian's python, whatever python3 is first on the path.
        mock_.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), QStringLiteral("networkmanager")});
        QElapsedTimer waited;
        waited.start();
        while (!connection().interface()->isServiceRegistered(kService).value()) {
            if (waited.elapsed() > 30000)
                return false;
            QThread::msleep(50);
        }
        // The template answers only the older GetDevices; the program asks GetAllDevices.
        return mock(QStringLiteral("AddMethod"),
                    {QStringLiteral("org.freedesktop.NetworkManager"),
                     QStringLiteral("GetAllDevices"), QString(), QStringLiteral("ao"),
                     QStringLiteral("ret = [k for k in objects.keys() if '/Devices' in k]")})
                   .type() == QDBusMessage::ReplyMessage;
    }

    // A method of the template's control interface on NetworkManager's object.
    QDBusMessage mock(const QString& method, const QVariantList& arguments) const {
        QDBusMessage message = QDBusMessage::createMethodCall(
            kService, QStringLiteral("/org/freedesktop/NetworkManager"),
            QStringLiteral("org.freedesktop.DBus.Mock"), method);
        message.setArguments(arguments);
        const QDBusMessage reply = connection().call(message);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }

    static inline const QString kService = QStringLiteral("org.freedesktop.NetworkManager");

  private:
    TempDir dir_;
    QString address_;
    QString name_;
    QProcess daemon_;
    QProcess mock_;
};

} // namespace nearbeam::test
