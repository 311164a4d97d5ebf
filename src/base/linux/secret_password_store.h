#pragma once
// The upload password in the desktop's secret service (through QtKeychain), never
// in the settings file. Without a secret service nothing is kept on disk: the
// password typed for an upload is held in memory until the program ends.

#include "base/password_store.h"

#include <QDBusConnection>
#include <QString>

#include <string>

namespace nearbeam {

class SecretPasswordStore : public PasswordStore {
  public:
    // service: the name the secret is filed under; bus: the desktop's session bus,
    // asked whether a secret service is there.
    explicit SecretPasswordStore(QString service = QStringLiteral("Nearbeam"),
                                 const QDBusConnection& bus = QDBusConnection::sessionBus());

    std::wstring read() override;
    bool write(const std::wstring& password) override;
    // False when the desktop has no secret service (then the password is asked for
    // at each upload), or it was found not to answer.
    bool available() const { return available_; }

  private:
    QString service_;
    bool available_;
    std::wstring unkept_; // the password written while the secret service failed
};

} // namespace nearbeam
