#pragma once
// Settings in a small per-user text file, for systems without a registry. One
// value per line: key path, tab, value name, tab, "D" or "S", tab, the value (a
// decimal DWORD, or a UTF-8 text with \t, \n, \r and \\ escaped). The file is
// replaced atomically on every write.

#include "base/settings_store.h"

#include <mutex>
#include <string>

namespace nearbeam {

class FileSettingsStore : public SettingsStore {
  public:
    explicit FileSettingsStore(std::string path) : path_(std::move(path)) {}

    // $XDG_CONFIG_HOME/nearbeam/settings, else ~/.config/nearbeam/settings.
    static std::string defaultPath();

  protected:
    std::optional<SettingValue> load(const std::wstring& key, const std::wstring& name) override;
    bool store(const std::wstring& key, const std::wstring& name,
               const SettingValue& value) override;

  private:
    std::string path_;
    std::mutex mutex_;
};

} // namespace nearbeam
