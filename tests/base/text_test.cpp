// The one pair of crossings between 8-bit and wide texts.

#include "base/text.h"
#include "base/utc_time.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// Names in any language go out as UTF-8 and come back whole; a text an older
// version wrote in Windows-1252 (not valid UTF-8) reads as it always did.
TEST(TextCrossing, Utf8BothWaysAndWindows1252WhereTheBytesAreNotUtf8) {
    struct Case {
        const char* what;
        std::string bytes;
        std::wstring wide;
        std::string utf8; // utf8Text of the bytes
    };
    const Case cases[] = {
        {"ASCII", "Hall 3", L"Hall 3", "Hall 3"},
        {"UTF-8 beyond Windows-1252", "\xc5\x81\xc3\xb3\x64\xc5\xba Hall \xe6\x9d\xb1\xe4\xba\xac",
         L"\u0141\u00f3d\u017a Hall \u6771\u4eac",
         "\xc5\x81\xc3\xb3\x64\xc5\xba Hall \xe6\x9d\xb1\xe4\xba\xac"},
        {"UTF-8 outside the basic plane", "\xf0\x9f\x93\xa1", L"\U0001F4E1", "\xf0\x9f\x93\xa1"},
        {"an older file's Windows-1252", "Caf\xe9 \x80", L"Caf\u00e9 \u20ac",
         "Caf\xc3\xa9 \xe2\x82\xac"},
        {"a cut UTF-8 sequence reads as Windows-1252", "Caf\xc3", L"Caf\u00c3", "Caf\xc3\x83"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(widen(c.bytes), c.wide);
        EXPECT_EQ(utf8Text(c.bytes), c.utf8);
        EXPECT_EQ(narrow(c.wide), c.utf8);
        EXPECT_EQ(widen(narrow(c.wide)), c.wide);
        EXPECT_EQ(isUtf8(c.bytes), c.bytes == c.utf8);
    }
    // Only the login token keeps the old bytes.
    EXPECT_EQ(windows1252(L"p\u00e4ss \u20ac\u6771"), "p\xe4ss \x80?");
}

TEST(UtcTimeText, ReadsBackTheMomentItWrote) {
    const std::pair<const char*, long long> cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2000-02-29T12:00:00Z", 951825600},
        {"2026-12-08T09:15:00Z", 1796721300},
    };
    for (const auto& [text, seconds] : cases) {
        ASSERT_EQ(parseUtcTimeText(text), std::optional<std::time_t>(seconds)) << text;
        EXPECT_EQ(utcTimeText(static_cast<std::time_t>(seconds)), text);
    }
    EXPECT_EQ(parseUtcTimeText("2026-12-08 09:15:00"), std::nullopt);
}

} // namespace
} // namespace nearbeam::test
