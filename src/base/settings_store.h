#pragma once
// Per-user settings: numbers (32-bit) and texts (UTF-16) under a key path. Every
// reader supplies a default; every change is written at once.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace nearbeam {

// A stored value: a DWORD or an SZ text, as the registry types them.
using SettingValue = std::variant<uint32_t, std::wstring>;

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The stored number, or def when the key or value is missing or not a number.
    int32_t readNumber(const std::wstring& key, const std::wstring& name, int32_t def);
    bool writeNumber(const std::wstring& key, const std::wstring& name, int32_t value);

    // Reads a text of at most capacity - 1 characters. On a missing value, a value
    // that is not a text, or one that does not fit, out holds def cut to fit and the
    // result is false. out never holds more than capacity - 1 characters.
    bool readText(const std::wstring& key, const std::wstring& name, size_t capacity,
                  std::wstring& out, const std::wstring& def);
    bool writeText(const std::wstring& key, const std::wstring& name, const std::wstring& text);

  protected:
    // The backend: the raw typed value, or none when the key or value is missing.
    virtual std::optional<SettingValue> load(const std::wstring& key, const std::wstring& name) = 0;
    // Stores a value, creating the key and its parents. False on failure.
    virtual bool store(const std::wstring& key, const std::wstring& name,
                       const SettingValue& value) = 0;
};

} // namespace nearbeam
