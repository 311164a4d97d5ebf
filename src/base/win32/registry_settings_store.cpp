#include "base/win32/registry_settings_store.h"

#include <vector>
#include <windows.h>

namespace nearbeam {

std::optional<SettingValue> RegistrySettingsStore::load(const std::wstring& key,
                                                        const std::wstring& name) {
    HKEY hkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<SettingValue> result;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD value = 0;
            if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS)
                result = SettingValue(static_cast<uint32_t>(value));
        } else if (type == REG_SZ) {
            std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
            DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
            if (RegQueryValueExW(hkey, name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer.data()), &bytes) == ERROR_SUCCESS &&
                type == REG_SZ) {
                buffer.back() = L'\0'; // a stored text need not be terminated
                result = SettingValue(std::wstring(buffer.data()));
            }
        }
    }
    RegCloseKey(hkey);
    return result;
}

bool RegistrySettingsStore::store(const std::wstring& key, const std::wstring& name,
                                  const SettingValue& value) {
    HKEY hkey;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &hkey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc;
    if (auto* text = std::get_if<std::wstring>(&value)) {
        rc = RegSetValueExW(hkey, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text->c_str()),
                            static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
    } else {
        DWORD number = std::get<uint32_t>(value);
        rc = RegSetValueExW(hkey, name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&number), sizeof(number));
    }
    RegCloseKey(hkey);
    return rc == ERROR_SUCCESS;
}

} // namespace nearbeam
