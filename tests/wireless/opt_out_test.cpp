#include "wireless/opt_out.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam::test {
namespace {

TEST(OptOut, NetworksThatAskedNotToBeMapped) {
    struct Case {
        std::string ssid;
        bool kept;
    };
    const Case cases[] = {
        {"Home_nomap", true},
        {"HOME_NOMAP", true},
        {"_nomap", true},
        {"Home_nomap ", false}, // only at the end
        {"Home_nomapped", false},
        {"nomap", false},
        {"Cafe_OptOut_5G", true},
        {"_optout", true},
        {"Cafe optout", false},
        {"", true},                   // hidden
        {std::string(7, '\0'), true}, // hidden, with its length
        {std::string("a\0b", 3), false},
        {"eduroam", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(asksNotToBeMapped(c.ssid), c.kept) << '"' << c.ssid << '"';
}

} // namespace
} // namespace nearbeam::test
