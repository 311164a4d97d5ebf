#include "base/percent_encoding.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(PercentEncoding, KeepsWhatTheUseKeepsAndWritesTheRestAsUpperCaseHex) {
    struct Case {
        std::string text;
        KeepByte keep;
        bool spaceAsPlus;
        std::string encoded;
    };
    const Case cases[] = {
        {"Oslo, Norway~_.-", unreservedByte, false, "Oslo%2C%20Norway~_.-"},
        {std::string("\xe6\x00\x7f\xff", 4), unreservedByte, false, "%E6%00%7F%FF"},
        {"a b%c/d", visibleByte, false, "a%20b%c/d"},
        {"a b", visibleByte, true, "a+b"},
        {"tab\there\r\n", visibleByte, false, "tab%09here%0D%0A"},
        {"", unreservedByte, true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(percentEncode(c.text, c.keep, c.spaceAsPlus), c.encoded) << c.text;
}

} // namespace
} // namespace nearbeam
