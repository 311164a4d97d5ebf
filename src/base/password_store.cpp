#include "base/password_store.h"

#include "base/settings_keys.h"

namespace nearbeam {

std::wstring PlainPasswordStore::read() {
    return settings::read(settings_, settings::Password);
}

bool PlainPasswordStore::write(const std::wstring& password) {
    return settings::write(settings_, settings::Password, password);
}

} // namespace nearbeam
