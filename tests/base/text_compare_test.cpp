#include "base/text_compare.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

// Only ASCII letters fold: a byte of the code page above 127 (or a wide letter
// outside ASCII) compares as itself, whatever the locale.
TEST(TextCompare, OnlyAsciiLettersIgnoreTheirCase) {
    struct Case {
        std::string_view text, other;
        bool equal, prefix;
    };
    const Case cases[] = {
        {"Content-Length", "content-length", true, true},
        {"- NearBeam MSG hi", "- nearbeam msg ", false, true},
        {"- nearbeam ms", "- nearbeam msg ", false, false},
        {"", "", true, true},
        {"abc", "", false, true},
        {"\xc4", "\xe4", false, false}, // Ä and ä in the code page
        {"[", "{", false, false},       // 'Z' + 1 and 'z' + 1 are no pair
        {"@", "`", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsNoCase(c.text, c.other), c.equal) << c.text << " / " << c.other;
        EXPECT_EQ(startsWithNoCase(c.text, c.other), c.prefix) << c.text << " / " << c.other;
        const std::wstring wide(c.text.begin(), c.text.end());
        const std::wstring wideOther(c.other.begin(), c.other.end());
        EXPECT_EQ(equalsNoCase(wide, wideOther), c.equal) << c.text;
        EXPECT_EQ(startsWithNoCase(wide, wideOther), c.prefix) << c.text;
    }
    EXPECT_TRUE(startsWithNoCase(std::wstring_view(L"MailTo:x"), L"mailto:"));
    EXPECT_FALSE(equalsNoCase(std::wstring_view(L"\u00c4"), L"\u00e4"));
}

} // namespace
} // namespace nearbeam
