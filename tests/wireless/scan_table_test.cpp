#include "wireless/scan_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nearbeam {
namespace {

Bssid ap(uint8_t last) {
    return Bssid{0x00, 0x11, 0x22, 0x33, 0x44, last};
}

std::vector<uint8_t> order(ScanTable& table) {
    std::vector<uint8_t> lasts;
    table.forEach([&](AccessPointEntry& e) { lasts.push_back(e.bssid()[5]); });
    return lasts;
}

struct SmoothCase {
    int32_t average, reading, weight, expected;
};

TEST(AccessPointEntry, ReadingMovesTheAverageTruncatingTowardsZero) {
    const SmoothCase cases[] = {
        {-70, -40, 2, -60}, // (-140 - 40) / 3
        {-70, -71, 2, -71}, // -211 / 3 = -70: below the average, so at least 1 down
        {-70, -69, 2, -69}, // -209 / 3 = -69.67 truncates to -69
        {-70, -70, 2, -70},  {-50, -49, 2, -49}, // -149 / 3 = -49.67 -> -49
        {-70, -60, 9, -69},                      // (-630 - 60) / 10 = -69
        {-70, -71, 9, -71},                      // -701 / 10 = -70, then the -1 rule
        {-70, -100, 9, -73}, {5, 3, 2, 4},       // (10 + 3) / 3 = 4
        {-1, 1, 2, 0},                           // (-2 + 1) / 3 = 0 (towards zero, not down to -1)
    };
    for (const SmoothCase& c : cases) {
        AccessPointEntry e(ap(1), c.average, 100);
        e.applyReading(c.reading, 250, c.weight);
        EXPECT_EQ(e.smoothedSignal(), c.expected)
            << c.average << " " << c.reading << " w" << c.weight;
        EXPECT_EQ(e.lastSignal(), c.reading);
        EXPECT_EQ(e.lastSeen(), 250);
    }
}

TEST(AccessPointEntry, DecayMovesTowardsTheFloorAndKeepsLastSeen) {
    AccessPointEntry e(ap(1), -70, 100);
    e.decay(-90, 2); // (-140 - 90) / 3 = -76
    EXPECT_EQ(e.smoothedSignal(), -76);
    EXPECT_EQ(e.lastSignal(), -90);
    EXPECT_EQ(e.lastSeen(), 100);
    AccessPointEntry near(ap(2), -89, 100);
    near.decay(-90, 2); // -268 / 3 = -89, the -1 rule reaches the floor
    EXPECT_EQ(near.smoothedSignal(), -90);
    near.decay(-90, 2); // at the floor it stays
    EXPECT_EQ(near.smoothedSignal(), -90);
}

TEST(AccessPointEntry, ExtremeValuesDoNotOverflow) {
    AccessPointEntry e(ap(1), INT32_MIN, 0);
    e.applyReading(INT32_MAX, 1, 9);
    EXPECT_GT(e.smoothedSignal(), INT32_MIN);
    AccessPointEntry low(ap(2), INT32_MIN, 0);
    low.decay(INT32_MIN, 9); // s == f: no -1 step below the minimum
    EXPECT_EQ(low.smoothedSignal(), INT32_MIN);
}

TEST(AccessPointEntry, MergeSsidAddsEachNameOnce) {
    struct Case {
        std::string list, ssid, expected;
    };
    const Case cases[] = {
        {"", "Campus", ", Campus"},
        {", Campus", "Campus", ", Campus"},
        {", Campus", "Camp", ", Campus, Camp"},
        {", Campus, Guest", "Guest", ", Campus, Guest"},
        {"", "", ""}, // an empty name is in ", , " already
        {"Campus", "", "Campus, "},
        {"Campus", "Campus", "Campus"},
    };
    for (const Case& c : cases) {
        AccessPointEntry e(ap(1), -50, 0);
        e.ssidList = c.list;
        e.mergeSsid(c.ssid);
        EXPECT_EQ(e.ssidList, c.expected) << "\"" << c.list << "\" + \"" << c.ssid << "\"";
    }
}

TEST(ScanTable, StartsEmptyWithItsClockAndAge) {
    ScanSettings settings;
    ScanTable table(24, settings);
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(table.clock(), 86400);
    EXPECT_EQ(table.maximumAge(), 60);
    EXPECT_EQ(table.best(), nullptr);
    EXPECT_EQ(settings.smoothingWeight, 9);
    EXPECT_EQ(settings.decayFloor, -200);
}

TEST(ScanTable, AddOrUpdateCreatesThenSmoothsAtTheTableClock) {
    ScanSettings settings;
    settings.smoothingWeight = 2;
    ScanTable table(24, settings);
    AccessPointEntry& fresh = table.addOrUpdate(ap(1), -70);
    EXPECT_EQ(fresh.smoothedSignal(), -70);
    EXPECT_EQ(fresh.lastSignal(), -70);
    EXPECT_EQ(fresh.lastSeen(), 86400);
    EXPECT_FALSE(fresh.refresh || fresh.privacy || fresh.associated || fresh.notInfrastructure);
    EXPECT_TRUE(fresh.ssidList.empty() && fresh.label.empty());
    table.advance(10);
    AccessPointEntry& again = table.addOrUpdate(ap(1), -40);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(again.smoothedSignal(), -60);
    EXPECT_EQ(again.lastSeen(), 86410);
    EXPECT_EQ(table.find(ap(1)), &again);
    EXPECT_EQ(table.find(ap(2)), nullptr);
}

TEST(ScanTable, FullTableEvictsTheLowestScore) {
    ScanSettings settings;
    ScanTable table(3, settings);
    table.addOrUpdate(ap(1), -50);
    table.addOrUpdate(ap(2), -80);
    table.addOrUpdate(ap(3), -60);
    std::vector<uint8_t> evicted;
    auto onEvict = [&](AccessPointEntry& e) { evicted.push_back(e.bssid()[5]); };
    table.addOrUpdate(ap(4), -90, onEvict);
    EXPECT_EQ(evicted, std::vector<uint8_t>{2});
    EXPECT_EQ(order(table), (std::vector<uint8_t>{1, 3, 4})); // the gap closes, new one last
    EXPECT_EQ(table.count(), 3);
}

TEST(ScanTable, EqualScoresEvictTheLaterEntry) {
    ScanSettings settings;
    ScanTable table(24, settings);
    for (uint8_t i = 0; i < 24; ++i) {
        table.addOrUpdate(ap(i), i == 5 || i == 9 ? -85 : -50);
    }
    std::vector<uint8_t> evicted;
    table.addOrUpdate(ap(100), -40, [&](AccessPointEntry& e) { evicted.push_back(e.bssid()[5]); });
    EXPECT_EQ(evicted, std::vector<uint8_t>{9});
    EXPECT_EQ(table.count(), 24);
    EXPECT_NE(table.find(ap(5)), nullptr);
}

TEST(ScanTable, AtTheFloorOlderEntriesScoreLower) {
    ScanSettings settings;
    settings.decayFloor = -90;
    ScanTable table(2, settings);
    table.addOrUpdate(ap(1), -90); // seen at 86400
    table.advance(30);
    table.addOrUpdate(ap(2), -80); // seen at 86430: scores -80
    table.addOrUpdate(ap(1), -90); // refreshed at 86430 too: -90 + 0
    table.advance(10);
    table.addOrUpdate(ap(2), -90); // average -81 (above the floor): scores -81
    // ap(1): -90 + (86430 - 86440) = -100: lowest.
    std::vector<uint8_t> evicted;
    table.addOrUpdate(ap(3), -95, [&](AccessPointEntry& e) { evicted.push_back(e.bssid()[5]); });
    EXPECT_EQ(evicted, std::vector<uint8_t>{1});

    // Above the floor age does not count: the weaker signal goes even if newer.
    ScanTable second(2, settings);
    second.addOrUpdate(ap(1), -70);
    second.advance(50);
    second.addOrUpdate(ap(2), -75);
    evicted.clear();
    second.addOrUpdate(ap(3), -60, [&](AccessPointEntry& e) { evicted.push_back(e.bssid()[5]); });
    EXPECT_EQ(evicted, std::vector<uint8_t>{2});
}

TEST(ScanTable, BestIsTheStrongestAndTheEarlierOnATie) {
    ScanSettings settings;
    ScanTable table(24, settings);
    table.addOrUpdate(ap(1), -70);
    table.addOrUpdate(ap(2), -55);
    table.addOrUpdate(ap(3), -55);
    table.addOrUpdate(ap(4), -90);
    ASSERT_NE(table.best(), nullptr);
    EXPECT_EQ(table.best()->bssid(), ap(2));
}

TEST(ScanTable, AdvanceRemovesEntriesOlderThanTheMaximumAge) {
    ScanSettings settings;
    ScanTable table(24, settings);
    table.setMaximumAge(120);
    table.addOrUpdate(ap(1), -60); // last seen 86400
    std::vector<uint8_t> removed;
    auto onRemove = [&](AccessPointEntry& e) { removed.push_back(e.bssid()[5]); };
    for (int tick = 1; tick <= 12; ++tick) {
        table.advance(10, onRemove);
        if (tick == 3) {
            table.addOrUpdate(ap(2), -60); // last seen 86430
        }
    }
    EXPECT_EQ(table.clock(), 86520);
    EXPECT_TRUE(removed.empty()); // 86400 is not below 86520 - 120
    table.advance(10, onRemove);  // clock 86530: 86400 < 86410
    EXPECT_EQ(removed, std::vector<uint8_t>{1});
    EXPECT_EQ(order(table), std::vector<uint8_t>{2});
    table.advance(1000);
    EXPECT_EQ(table.count(), 0);
}

TEST(ScanTable, AdvanceKeepsTheOrderOfTheRest) {
    ScanSettings settings;
    ScanTable table(24, settings);
    table.setMaximumAge(15);
    table.addOrUpdate(ap(1), -60);
    table.addOrUpdate(ap(2), -60);
    table.advance(10);
    table.addOrUpdate(ap(3), -60);
    table.addOrUpdate(ap(1), -60);
    table.advance(10); // ap(2), last seen 86400, is older than 86420 - 15
    EXPECT_EQ(order(table), (std::vector<uint8_t>{1, 3}));
}

TEST(ScanTable, DecayUnseenTouchesOnlyEntriesNotReadSinceTheAdvance) {
    ScanSettings settings;
    settings.smoothingWeight = 2;
    settings.decayFloor = -90;
    ScanTable table(24, settings);
    table.addOrUpdate(ap(1), -70);
    table.addOrUpdate(ap(2), -70);
    table.advance(10);
    table.addOrUpdate(ap(2), -70);
    std::vector<uint8_t> decayed;
    table.decayUnseen([&](AccessPointEntry& e) { decayed.push_back(e.bssid()[5]); });
    EXPECT_EQ(decayed, std::vector<uint8_t>{1});
    EXPECT_EQ(table.find(ap(1))->smoothedSignal(), -76);
    EXPECT_EQ(table.find(ap(1))->lastSignal(), -90);
    EXPECT_EQ(table.find(ap(1))->lastSeen(), 86400);
    EXPECT_EQ(table.find(ap(2))->smoothedSignal(), -70);
    table.decayUnseen();                                 // without a callback
    EXPECT_EQ(table.find(ap(1))->smoothedSignal(), -80); // -242 / 3
}

TEST(ScanTable, FlagAllAndClear) {
    ScanSettings settings;
    ScanTable table(24, settings);
    table.addOrUpdate(ap(1), -60);
    table.addOrUpdate(ap(2), -60);
    table.flagAllForRefresh();
    table.forEach([](AccessPointEntry& e) { EXPECT_TRUE(e.refresh); });
    table.clear();
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(table.best(), nullptr);
    EXPECT_EQ(table.clock(), 86400);
}

TEST(ScanTable, ACapacityBelowOneHoldsOneEntry) {
    ScanSettings settings;
    ScanTable table(0, settings);
    table.addOrUpdate(ap(1), -60);
    table.addOrUpdate(ap(2), -50);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(table.best()->bssid(), ap(2));
}

TEST(ScanTable, SettingsChangesApplyToLaterOperations) {
    ScanSettings settings;
    ScanTable table(24, settings);
    table.addOrUpdate(ap(1), -70);
    settings.smoothingWeight = 2; // the program switches to 2 after making its table
    table.addOrUpdate(ap(1), -40);
    EXPECT_EQ(table.find(ap(1))->smoothedSignal(), -60);
}

} // namespace
} // namespace nearbeam
