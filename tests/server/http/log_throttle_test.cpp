#include "server/http/log_throttle.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

using namespace std::chrono_literals;

// One line per address per minute; the next one written tells how many were
// held back meanwhile.
TEST(LogThrottle, LetsALinePerKeyAMinuteAndCountsTheOthers) {
    LogThrottle throttle(1min);
    const LogThrottle::Clock::time_point start{};
    const struct {
        const char* key;
        std::chrono::seconds at;
        bool allowed;
        uint64_t heldBack; // when allowed
    } steps[] = {
        {"10.0.0.1", 0s, true, 0},   {"10.0.0.1", 1s, false, 0},  {"10.0.0.2", 2s, true, 0},
        {"10.0.0.1", 59s, false, 0}, {"10.0.0.1", 60s, true, 2},  {"10.0.0.1", 61s, false, 0},
        {"10.0.0.1", 200s, true, 1}, {"10.0.0.2", 200s, true, 0},
    };
    int step = 0;
    for (const auto& s : steps) {
        uint64_t heldBack = 99;
        EXPECT_EQ(throttle.allow(s.key, start + s.at, heldBack), s.allowed) << "step " << step;
        if (s.allowed) {
            EXPECT_EQ(heldBack, s.heldBack) << "step " << step;
        }
        ++step;
    }
}

} // namespace
} // namespace nearbeam::test
