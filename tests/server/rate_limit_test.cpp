#include "server/rate_limit.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

using namespace std::chrono_literals;

// Each step: seconds since the start, the key, and whether a take succeeds.
TEST(RateLimit, ABucketPerKeyRefillsEvenlyOverItsPeriod) {
    RateLimit limit(3, 60s); // three a minute: one back every 20 s
    const RateLimit::Clock::time_point t0{};
    const struct {
        int at;
        const char* key;
        bool taken;
    } steps[] = {
        {0, "a", true},   {0, "a", true},   {0, "a", true},   {0, "a", false},   // the burst
        {0, "b", true},                                                          // its own bucket
        {19, "a", false}, {20, "a", true},  {21, "a", false},                    // one back in 20 s
        {500, "a", true}, {500, "a", true}, {500, "a", true}, {500, "a", false}, // never above 3
    };
    for (const auto& s : steps)
        EXPECT_EQ(limit.take(s.key, t0 + std::chrono::seconds(s.at)), s.taken)
            << s.key << " at " << s.at;
}

} // namespace
} // namespace nearbeam::test
