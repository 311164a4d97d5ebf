#pragma once
// Settings kept in memory only: for tests.

#include "base/settings_store.h"

#include <map>
#include <mutex>
#include <utility>

namespace nearbeam {

class MemorySettingsStore : public SettingsStore {
  public:
    // Puts a raw value in place, as another tool might have written it.
    void put(const std::wstring& key, const std::wstring& name, const SettingValue& value);
    bool hasKey(const std::wstring& key) const;

  protected:
    std::optional<SettingValue> load(const std::wstring& key, const std::wstring& name) override;
    bool store(const std::wstring& key, const std::wstring& name,
               const SettingValue& value) override;

  private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::wstring, std::wstring>, SettingValue> values_;
};

} // namespace nearbeam
