#include "base/linux/secret_password_store.h"

#include <QDBusConnectionInterface>
#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace nearbeam {

namespace {

const QString kKey = QStringLiteral("upload");
constexpr size_t kMaxPasswordChars = 31;

// Runs a job to its end; the secret service answers over D-Bus.
void finish(QKeychain::Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    loop.exec();
}

bool noBackend(QKeychain::Error error) {
    return error == QKeychain::NoBackendAvailable || error == QKeychain::NotImplemented;
}

// The keepers QtKeychain talks to: the Secret Service (GNOME Keyring, KeePassXC …)
// and KDE's wallet, running or started on demand.
bool keeperOnBus(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    QDBusConnectionInterface* names = bus.interface();
    const QStringList activatable = names->activatableServiceNames().value();
    for (const char* name : {"org.freedesktop.secrets", "org.kde.kwalletd6", "org.kde.kwalletd5"}) {
        const QString service = QString::fromLatin1(name);
        if (names->isServiceRegistered(service).value() || activatable.contains(service))
            return true;
    }
    return false;
}

} // namespace

SecretPasswordStore::SecretPasswordStore(QString service, const QDBusConnection& bus)
    : service_(std::move(service)), available_(keeperOnBus(bus)) {}

std::wstring SecretPasswordStore::read() {
    if (!available_)
        return unkept_;
    QKeychain::ReadPasswordJob job(service_);
    job.setKey(kKey);
    finish(job);
    if (noBackend(job.error()))
        available_ = false;
    if (job.error() != QKeychain::NoError)
        return unkept_;
    return job.textData().left(kMaxPasswordChars).toStdWString();
}

bool SecretPasswordStore::write(const std::wstring& password) {
    // The upload reads the password back from here: one the secret service could
    // not take still serves this run.
    unkept_ = password.substr(0, kMaxPasswordChars);
    if (!available_)
        return false;
    QKeychain::WritePasswordJob job(service_);
    job.setKey(kKey);
    job.setTextData(QString::fromStdWString(password));
    finish(job);
    if (noBackend(job.error()))
        available_ = false;
    if (job.error() != QKeychain::NoError)
        return false;
    unkept_.clear();
    return true;
}

} // namespace nearbeam
