#include "base/win32/protected_password_store.h"

#include "base/settings_keys.h"

#include <vector>
#include <windows.h>

#include <wincrypt.h>

namespace nearbeam {
namespace {

// The raw bytes of a binary value; false when it is missing or of another type.
bool readBinary(const wchar_t* key, const wchar_t* name, std::vector<BYTE>& bytes) {
    HKEY hkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExW(hkey, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
              type == REG_BINARY;
    if (ok) {
        bytes.resize(size);
        ok = RegQueryValueExW(hkey, name, nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS &&
             type == REG_BINARY;
        bytes.resize(size);
    }
    RegCloseKey(hkey);
    return ok;
}

} // namespace

std::wstring ProtectedPasswordStore::read() {
    const settings::TextSetting& s = settings::Password;
    std::vector<BYTE> sealed;
    if (!readBinary(s.key, s.name, sealed))
        return settings::read(plain_, s);
    DATA_BLOB in{static_cast<DWORD>(sealed.size()), sealed.data()};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out))
        return {};
    std::wstring password(reinterpret_cast<const wchar_t*>(out.pbData),
                          out.cbData / sizeof(wchar_t));
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    // As for a text value: one that does not fit reads as none.
    if (password.size() >= s.capacity)
        return {};
    return password;
}

bool ProtectedPasswordStore::write(const std::wstring& password) {
    const settings::TextSetting& s = settings::Password;
    std::wstring copy = password;
    DATA_BLOB in{static_cast<DWORD>(copy.size() * sizeof(wchar_t)),
                 reinterpret_cast<BYTE*>(copy.data())};
    DATA_BLOB out{};
    BOOL sealed = CryptProtectData(&in, L"Nearbeam upload password", nullptr, nullptr, nullptr,
                                   CRYPTPROTECT_UI_FORBIDDEN, &out);
    SecureZeroMemory(copy.data(), copy.size() * sizeof(wchar_t));
    if (!sealed)
        return false;
    HKEY hkey;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, s.key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &hkey, nullptr);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExW(hkey, s.name, 0, REG_BINARY, out.pbData, out.cbData);
        RegCloseKey(hkey);
    }
    LocalFree(out.pbData);
    return rc == ERROR_SUCCESS;
}

} // namespace nearbeam
