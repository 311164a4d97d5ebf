#pragma once
// The upload password in the desktop's secret service (through QtKeychain), never
// in the settings file. Without a secret service nothing is kept: the password
// is asked for at each upload.

#include "base/password_store.h"

#include <QDBusConnection>
#include <QString>

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
};

} // namespace nearbeam
