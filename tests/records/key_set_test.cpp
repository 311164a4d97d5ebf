#include "records/key_set.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam {
namespace {

TEST(KeySet, HoldsEveryKeyOnceThroughGrowth) {
    KeySet set;
    EXPECT_FALSE(set.contains("1\t"));
    for (int i = 0; i < 50000; ++i) {
        set.insert(std::to_string(i) + "\t");
        set.insert(std::to_string(i) + "\t");
    }
    EXPECT_EQ(set.size(), 50000u);
    for (int i = 0; i < 50000; ++i)
        ASSERT_TRUE(set.contains(std::to_string(i) + "\t")) << i;
    EXPECT_FALSE(set.contains("50000\t"));
    EXPECT_FALSE(set.contains("1"));
    set.insert(std::string("\0\t", 2));
    EXPECT_TRUE(set.contains(std::string("\0\t", 2)));
    EXPECT_FALSE(set.contains("\t"));
    set.clear();
    EXPECT_EQ(set.size(), 0u);
    EXPECT_FALSE(set.contains("1\t"));
}

} // namespace
} // namespace nearbeam
