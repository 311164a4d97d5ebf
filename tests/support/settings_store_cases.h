#pragma once
// The behaviour every settings store shares, run over each implementation. A
// Factory has `static std::unique_ptr<SettingsStore> fresh()`, which returns a
// store over an empty profile.

#include "base/settings_keys.h"

#include <gtest/gtest.h>
#include <memory>

namespace nearbeam::test {

template <class Factory> class SettingsStoreCases : public ::testing::Test {
  protected:
    std::unique_ptr<SettingsStore> store = Factory::fresh();
};

TYPED_TEST_SUITE_P(SettingsStoreCases);

TYPED_TEST_P(SettingsStoreCases, MissingValuesReadTheirDefaults) {
    auto& s = *this->store;
    EXPECT_EQ(settings::read(s, settings::LocationAlerts), 1);
    EXPECT_EQ(settings::read(s, settings::RssiMax), -999);
    EXPECT_EQ(static_cast<uint32_t>(settings::read(s, settings::NextLocalID)), 4294967295u);
    std::wstring out = L"stale";
    EXPECT_FALSE(s.readText(settings::kApdbKey, L"Username", 32, out, L"guest"));
    EXPECT_EQ(out, L"guest");
    EXPECT_EQ(settings::read(s, settings::Server), L"locate.nearbeam.net");
}

TYPED_TEST_P(SettingsStoreCases, NumbersAndTextsRoundTrip) {
    auto& s = *this->store;
    EXPECT_TRUE(settings::write(s, settings::RssiMin, -97));
    EXPECT_TRUE(settings::write(s, settings::NextLocalID, static_cast<int32_t>(4294967294u)));
    EXPECT_TRUE(settings::write(s, settings::Username, L"Åse \"o'k\"\ttab"));
    EXPECT_EQ(settings::read(s, settings::RssiMin), -97);
    EXPECT_EQ(static_cast<uint32_t>(settings::read(s, settings::NextLocalID)), 4294967294u);
    EXPECT_EQ(settings::read(s, settings::Username), L"Åse \"o'k\"\ttab");
    EXPECT_TRUE(settings::write(s, settings::RssiMin, 0));
    EXPECT_EQ(settings::read(s, settings::RssiMin), 0);
    EXPECT_TRUE(settings::write(s, settings::Username, L""));
    std::wstring out;
    EXPECT_TRUE(s.readText(settings::kApdbKey, L"Username", 32, out, L"guest"));
    EXPECT_EQ(out, L"");
}

TYPED_TEST_P(SettingsStoreCases, AValueOfTheWrongTypeReadsTheDefault) {
    auto& s = *this->store;
    ASSERT_TRUE(s.writeText(settings::kRootKey, L"LocationAlerts", L"0"));
    EXPECT_EQ(settings::read(s, settings::LocationAlerts), 1);
    ASSERT_TRUE(s.writeNumber(settings::kWiFiKey, L"Device", 7));
    std::wstring out;
    EXPECT_FALSE(s.readText(settings::kWiFiKey, L"Device", 257, out, L""));
    EXPECT_EQ(out, L"");
}

TYPED_TEST_P(SettingsStoreCases, ATextThatDoesNotFitReadsTheDefault) {
    auto& s = *this->store;
    std::wstring out;
    ASSERT_TRUE(s.writeText(settings::kApdbKey, L"Username", std::wstring(40, L'u')));
    EXPECT_FALSE(s.readText(settings::kApdbKey, L"Username", 32, out, L""));
    EXPECT_EQ(out, L"");
    ASSERT_TRUE(s.writeText(settings::kApdbKey, L"Username", std::wstring(32, L'u')));
    EXPECT_FALSE(s.readText(settings::kApdbKey, L"Username", 32, out, L"a-default"));
    EXPECT_EQ(out, L"a-default");
    // The default is cut to the capacity, terminator included.
    EXPECT_FALSE(s.readText(settings::kApdbKey, L"Username", 8, out, L"a-default"));
    EXPECT_EQ(out, L"a-defau");
    ASSERT_TRUE(s.writeText(settings::kApdbKey, L"Username", std::wstring(31, L'u')));
    EXPECT_TRUE(s.readText(settings::kApdbKey, L"Username", 32, out, L""));
    EXPECT_EQ(out, std::wstring(31, L'u'));
    EXPECT_FALSE(s.readText(settings::kApdbKey, L"Username", 0, out, L"x"));
    EXPECT_EQ(out, L"");
}

TYPED_TEST_P(SettingsStoreCases, WritingCreatesMissingKeys) {
    auto& s = *this->store;
    EXPECT_TRUE(settings::write(s, settings::ScanInterval, 2000));
    EXPECT_EQ(settings::read(s, settings::ScanInterval), 2000);
    EXPECT_EQ(settings::read(s, settings::ViewCompact), 0);
    EXPECT_TRUE(s.writeNumber(L"Software\\Nearbeam\\Deeper\\Still", L"X", 5));
    EXPECT_EQ(s.readNumber(L"Software\\Nearbeam\\Deeper\\Still", L"X", 0), 5);
}

REGISTER_TYPED_TEST_SUITE_P(SettingsStoreCases, MissingValuesReadTheirDefaults,
                            NumbersAndTextsRoundTrip, AValueOfTheWrongTypeReadsTheDefault,
                            ATextThatDoesNotFitReadsTheDefault, WritingCreatesMissingKeys);

} // namespace nearbeam::test
