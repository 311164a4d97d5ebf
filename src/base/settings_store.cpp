#include "base/settings_store.h"

namespace nearbeam {

int32_t SettingsStore::readNumber(const std::wstring& key, const std::wstring& name, int32_t def) {
    auto value = load(key, name);
    if (!value || !std::holds_alternative<uint32_t>(*value))
        return def;
    return static_cast<int32_t>(std::get<uint32_t>(*value));
}

bool SettingsStore::writeNumber(const std::wstring& key, const std::wstring& name, int32_t value) {
    return store(key, name, static_cast<uint32_t>(value));
}

bool SettingsStore::readText(const std::wstring& key, const std::wstring& name, size_t capacity,
                             std::wstring& out, const std::wstring& def) {
    out.clear();
    if (capacity == 0)
        return false;
    auto value = load(key, name);
    if (value && std::holds_alternative<std::wstring>(*value)) {
        const auto& text = std::get<std::wstring>(*value);
        if (text.size() < capacity) {
            out = text;
            return true;
        }
    }
    out = def.substr(0, capacity - 1);
    return false;
}

bool SettingsStore::writeText(const std::wstring& key, const std::wstring& name,
                              const std::wstring& text) {
    return store(key, name, text);
}

} // namespace nearbeam
