// What a survey scan keeps of the scan table, and how far two moments lie apart.

#include "ui/heard_now.h"

#include "records/database_fixture.h"

#include <cmath>

namespace nearbeam::test {
namespace {

Bssid bssid(uint8_t last) {
    return Bssid{0x00, 0x1a, 0x1e, 0x4c, 0x10, last};
}

BssidKey keyOf(uint8_t last) {
    return BssidKey::fromBytes(bssid(last).data());
}

class HeardNowTest : public LocationDatabaseFixture {
  protected:
    ScanSettings scanSettings{2, -100};
    ScanTable table{24, scanSettings};
};

// Only what the latest scan heard, at that scan's signal: an access point the
// table keeps from earlier scans is not in range, a smoothed signal was never
// read, and a network that asked not to be mapped is never kept.
TEST_F(HeardNowTest, TheLatestScanAtItsOwnSignal) {
    table.setMaximumAge(120);
    table.addOrUpdate(bssid(1), -50);
    table.addOrUpdate(bssid(2), -70); // heard 80 s ago, aging in the table
    table.addOrUpdate(bssid(3), -60);
    table.advance(80);
    table.addOrUpdate(bssid(1), -80); // smoothed to -60
    table.addOrUpdate(bssid(3), -130);
    table.addOrUpdate(bssid(4), -45);
    db.optedOut().add(keyOf(4));
    table.decayUnseen();
    ASSERT_EQ(table.find(bssid(1))->smoothedSignal(), -60);
    ASSERT_NE(table.find(bssid(2)), nullptr);

    EXPECT_EQ(latestScanReadings(table, db.optedOut()),
              (std::vector<ScanReading>{{keyOf(1), -80}, {keyOf(3), kWeakestScanSignal}}));

    table.advance(10); // a scan that heard nothing
    EXPECT_EQ(latestScanReadings(table, db.optedOut()), std::vector<ScanReading>{});
}

TEST(ReadingsDistance, NoughtForTheSameOneForNothingInCommon) {
    const ScanReading a50{keyOf(1), -50}, a52{keyOf(1), -52}, a75{keyOf(1), -75};
    const ScanReading b60{keyOf(2), -60}, b63{keyOf(2), -63}, c40{keyOf(3), -40};
    struct Case {
        const char* what;
        std::vector<ScanReading> a, b;
        double distance;
    };
    // -50 is 0.5 on the scale, 0.3536 raised; -75 is 0.25, 0.125.
    const Case cases[] = {
        {"the same", {a50, b60}, {b60, a50}, 0.0},
        {"one access point 25 dB weaker", {a50}, {a75}, (0.35355 - 0.125) / (0.35355 + 0.125)},
        {"nothing in common", {a50, b60}, {c40}, 1.0},
        {"nothing heard on one side", {a50}, {}, 1.0},
        {"nothing heard at all", {}, {}, 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(readingsDistance(c.a, c.b), c.distance, 1e-4) << c.what;
    }
    // Standing still moves a reading a few dB: far from "moved".
    EXPECT_LT(readingsDistance({a50, b60}, {a52, b63}), kMovedDistance / 3);
}

} // namespace
} // namespace nearbeam::test
