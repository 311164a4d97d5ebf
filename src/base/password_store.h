#pragma once
// Where the upload account's password is kept (`Password` under
// Software\Nearbeam\APDB). The plain store keeps it as a text setting; the
// Windows program keeps it protected for the current user (base/win32).

#include "base/settings_store.h"

#include <string>

namespace nearbeam {

class PasswordStore {
  public:
    virtual ~PasswordStore() = default;
    // The stored password, at most 31 characters; empty when there is none or it
    // cannot be read.
    virtual std::wstring read() = 0;
    virtual bool write(const std::wstring& password) = 0;
};

// The password as a text setting, as typed.
class PlainPasswordStore : public PasswordStore {
  public:
    explicit PlainPasswordStore(SettingsStore& settings) : settings_(settings) {}
    std::wstring read() override;
    bool write(const std::wstring& password) override;

  private:
    SettingsStore& settings_;
};

} // namespace nearbeam
