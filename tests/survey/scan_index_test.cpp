#include "survey/scan_index.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace nearbeam {
namespace {

BssidKey ap(int n) {
    return *BssidKey::fromText("02a0c000000" + std::to_string(n));
}

SurveyScan scan(uint32_t building, std::string floor, std::string location,
                std::vector<std::pair<int, int>> readings) {
    SurveyScan out;
    out.buildingId = building;
    out.floor = std::move(floor);
    out.location = std::move(location);
    for (const auto& [n, signal] : readings)
        out.readings.push_back(ScanReading{ap(n), signal});
    return out;
}

const PlaceKey kHall{10, "1", "Hall"};
const PlaceKey kLab{10, "2", "Lab"};

// Hall and Lab share access point 1; the shop shares nothing with them.
void fill(ScanIndex& index) {
    index.add(scan(10, "1", "Hall", {{1, -50}, {2, -70}}));
    index.add(scan(10, "2", "Lab", {{1, -60}, {3, -40}}));
    index.add(scan(20, "1", "Shop", {{4, -30}}));
}

// On the linear scale (strength 1) a signal s is (s + 100) / 100, so the Hall
// scan sums to 0.8 and the Lab scan to 1.0.
TEST(ScanIndexTest, NearestScansWithTheirDistances) {
    struct Case {
        const char* name;
        std::vector<HeardAccessPoint> heard;
        int32_t neighbours;
        int32_t comparedReadings;
        double strength;
        std::vector<std::pair<PlaceKey, double>> expected;
    };
    const Case cases[] = {
        {"the Hall scan again; the Lab shares 0.4 of 1.8",
         {{ap(1), -50}, {ap(2), -70}},
         3,
         24,
         1.0,
         {{kHall, 0.0}, {kLab, 1 - 0.8 / 1.8}}},
        {"only the closest", {{ap(1), -50}, {ap(2), -70}}, 1, 24, 1.0, {{kHall, 0.0}}},
        {"no neighbour asked for", {{ap(1), -50}}, 0, 24, 1.0, {}},
        {"nothing shared", {{ap(5), -40}}, 3, 24, 1.0, {}},
        {"heard at the not-heard level shares nothing", {{ap(1), -100}}, 3, 24, 1.0, {}},
        // The Lab's access point 1 is its second reading: not compared. The Hall
        // scan counts by access point 1 alone (sum 0.5).
        {"strongest reading only",
         {{ap(1), -50}, {ap(2), -70}},
         3,
         1,
         1.0,
         {{kHall, 1 - 1.0 / 1.3}}},
        // Squared: Hall 0.25 + 0.09, Lab 0.16 + 0.36; they share 0.16.
        {"squared scale",
         {{ap(1), -50}, {ap(2), -70}},
         3,
         24,
         2.0,
         {{kHall, 0.0}, {kLab, 1 - 0.32 / 0.86}}},
        {"one side heard only",
         {{ap(4), -30}, {ap(6), -30}},
         3,
         24,
         1.0,
         {{PlaceKey{20, "1", "Shop"}, 1 - 1.4 / 2.1}}},
    };
    ScanIndex index;
    fill(index);
    ASSERT_EQ(index.size(), 3u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanComparison settings;
        settings.neighbours = c.neighbours;
        settings.comparedReadings = c.comparedReadings;
        settings.strength = c.strength;
        const std::vector<ScanIndex::Neighbour> near = index.nearest(c.heard, settings);
        ASSERT_EQ(near.size(), c.expected.size());
        for (size_t i = 0; i < near.size(); ++i) {
            EXPECT_EQ(*near[i].place, c.expected[i].first);
            EXPECT_NEAR(near[i].distance, c.expected[i].second, 1e-6);
        }
    }
}

TEST(ScanIndexTest, ScansOfOnePlaceShareItAndClearingForgetsThem) {
    ScanIndex index;
    fill(index);
    index.add(scan(10, "1", "Hall", {{2, -70}}));
    index.add(scan(10, "1", "Hall", {})); // no reading: passed over
    EXPECT_EQ(index.size(), 4u);
    ScanComparison settings;
    const auto near = index.nearest({{ap(1), -50}, {ap(2), -70}}, settings);
    ASSERT_EQ(near.size(), 3u);
    EXPECT_EQ(near[0].place, near[1].place); // the two Hall scans, one place
    EXPECT_EQ(*near[2].place, kLab);
    index.clear();
    EXPECT_EQ(index.size(), 0u);
    EXPECT_TRUE(index.nearest({{ap(1), -50}}, settings).empty());
    index.add(scan(10, "2", "Lab", {{1, -60}}));
    const auto again = index.nearest({{ap(1), -60}}, settings);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(*again[0].place, kLab);
    EXPECT_NEAR(again[0].distance, 0.0, 1e-6);
}

} // namespace
} // namespace nearbeam
