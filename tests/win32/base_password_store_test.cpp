// The upload password in the registry, protected for the user.

#include "base/settings_keys.h"
#include "base/win32/protected_password_store.h"
#include "base/win32/registry_settings_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace nearbeam::test {
namespace {

constexpr const wchar_t* kApdb = L"Software\\Nearbeam\\APDB";

std::vector<BYTE> rawValue(DWORD& type) {
    std::vector<BYTE> bytes(4096);
    DWORD size = static_cast<DWORD>(bytes.size());
    type = REG_NONE;
    if (RegGetValueW(HKEY_CURRENT_USER, kApdb, L"Password", RRF_RT_ANY, &type, bytes.data(),
                     &size) != ERROR_SUCCESS)
        return {};
    bytes.resize(size);
    return bytes;
}

void setRaw(DWORD type, const void* data, DWORD size) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kApdb, L"Password", type, data, size);
}

class ProtectedPasswordTest : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam"); }
    RegistrySettingsStore settings;
    ProtectedPasswordStore store{settings};
};

TEST_F(ProtectedPasswordTest, IsStoredAsProtectedBytesAndReadBack) {
    const std::wstring password = L"s\u00e9cret-31-characters-long-xyz";
    ASSERT_TRUE(store.write(password));
    DWORD type = 0;
    std::vector<BYTE> bytes = rawValue(type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    const auto* plain = reinterpret_cast<const BYTE*>(password.data());
    const size_t plainSize = password.size() * sizeof(wchar_t);
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), plain, plain + plainSize), bytes.end());
    EXPECT_EQ(store.read(), password);
    ASSERT_TRUE(store.write(L""));
    EXPECT_EQ(store.read(), L"");
}

// A text value written by hand or by an earlier build is still read; one that is
// too long, or bytes that are not ours, read as no password.
TEST_F(ProtectedPasswordTest, OtherValuesReadAsTheSettingWould) {
    struct Case {
        const char* name;
        DWORD type;
        std::wstring text;
        std::wstring read;
    };
    const Case cases[] = {
        {"plain text", REG_SZ, L"secret", L"secret"},
        {"plain text too long", REG_SZ, std::wstring(40, L'x'), L""},
        {"foreign bytes", REG_BINARY, L"not sealed", L""},
    };
    for (const Case& c : cases) {
        setRaw(c.type, c.text.c_str(), static_cast<DWORD>((c.text.size() + 1) * sizeof(wchar_t)));
        EXPECT_EQ(store.read(), c.read) << c.name;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam");
    EXPECT_EQ(store.read(), L"");
}

} // namespace
} // namespace nearbeam::test
