#include "base/memory_settings_store.h"

namespace nearbeam {

void MemorySettingsStore::put(const std::wstring& key, const std::wstring& name,
                              const SettingValue& value) {
    store(key, name, value);
}

bool MemorySettingsStore::hasKey(const std::wstring& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : values_)
        if (entry.first.first == key)
            return true;
    return false;
}

std::optional<SettingValue> MemorySettingsStore::load(const std::wstring& key,
                                                      const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = values_.find({key, name});
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

bool MemorySettingsStore::store(const std::wstring& key, const std::wstring& name,
                                const SettingValue& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_[{key, name}] = value;
    return true;
}

} // namespace nearbeam
