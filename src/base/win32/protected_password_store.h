#pragma once
// The upload password in the registry, protected for the current user with the
// data protection API: a binary `Password` value only this user on this computer
// can turn back into the text. A plain text value (written by hand or by an
// earlier build) is still read; the next write stores it protected.

#include "base/password_store.h"

namespace nearbeam {

class ProtectedPasswordStore : public PasswordStore {
  public:
    // plain: the settings store that reads a plain text value.
    explicit ProtectedPasswordStore(SettingsStore& plain) : plain_(plain) {}
    std::wstring read() override;
    bool write(const std::wstring& password) override;

  private:
    SettingsStore& plain_;
};

} // namespace nearbeam
