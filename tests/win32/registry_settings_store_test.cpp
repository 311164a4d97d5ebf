#include "base/win32/registry_settings_store.h"
#include "support/settings_store_cases.h"

#include <windows.h>

namespace nearbeam::test {
namespace {

// The tests run in a throw-away Wine prefix (or a test account): each store starts
// from a profile without the program's key.
struct RegistryStore {
    static std::unique_ptr<SettingsStore> fresh() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam");
        return std::make_unique<RegistrySettingsStore>();
    }
};

using Stores = ::testing::Types<RegistryStore>;
INSTANTIATE_TYPED_TEST_SUITE_P(Registry, SettingsStoreCases, Stores);

TEST(RegistrySettingsStore, StoresTheRegistryTypes) {
    auto store = RegistryStore::fresh();
    ASSERT_TRUE(settings::write(*store, settings::ScanInterval, 1000));
    ASSERT_TRUE(settings::write(*store, settings::Username, L"ann"));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\Scanner", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0, value = 0, size = sizeof(value);
    EXPECT_EQ(RegQueryValueExW(key, L"ScanInterval", nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1000u);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\APDB", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"Username", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 8u); // three characters and the terminator, two bytes each
    RegCloseKey(key);
}

} // namespace
} // namespace nearbeam::test
