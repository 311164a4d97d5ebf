#pragma once
// Settings in the registry below HKEY_CURRENT_USER.

#include "base/settings_store.h"

namespace nearbeam {

class RegistrySettingsStore : public SettingsStore {
  protected:
    std::optional<SettingValue> load(const std::wstring& key, const std::wstring& name) override;
    bool store(const std::wstring& key, const std::wstring& name,
               const SettingValue& value) override;
};

} // namespace nearbeam
