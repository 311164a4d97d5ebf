#pragma once
// The upload password in the desktop's secret service (through QtKeychain), never
// in the settings file. Without a secret service nothing is kept on disk: the
// password typed for an upload is held in memory until the program ends.

#include "base/password_store.h"

#include <QString>

#include <string>

namespace nearbeam {

class SecretPasswordStore : public PasswordStore {
  public:
    // service: the name the secret is filed under ("Nearbeam"); tests use their own.
    explicit SecretPasswordStore(QString service = QStringLiteral("Nearbeam"))
        : service_(std::move(service)) {}

    std::wstring read() override;
    bool write(const std::wstring& password) override;
    // False once the desktop was found to have no secret service.
    bool available() const { return available_; }

  private:
    QString service_;
    bool available_ = true;
    std::wstring unkept_; // the password written while the secret service failed
};

} // namespace nearbeam
