#include "wireless/calibration.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(SignalQuality, MapsTheRangeTruncatingAndClamping) {
    struct Case {
        int32_t rssi, min, max, expected;
    };
    const Case cases[] = {
        {-95, -90, -40, 0},
        {-90, -90, -40, 0},
        {-65, -90, -40, 50},
        {-41, -90, -40, 98},
        {-40, -90, -40, 100},
        {-35, -90, -40, 100},
        {-89, -90, -40, 2},
        {-60, -62, -60, 100},
        {-61, -62, -60, 50},
        {-62, -62, -60, 0},
        {-63, -97, -30, 50}, // 34 * 100 / 67 = 50.7
        // A range of zero width: 100 at or above it, 0 below, and no division.
        {-50, -50, -50, 100},
        {-49, -50, -50, 100},
        {-51, -50, -50, 0},
        // Settings edited to extremes must not overflow.
        {INT32_MAX, INT32_MIN, INT32_MAX, 100},
        {INT32_MIN, INT32_MIN, INT32_MAX, 0},
        {0, INT32_MIN, INT32_MAX, 50},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(signalQuality(c.rssi, c.min, c.max), c.expected)
            << c.rssi << " over " << c.min << ".." << c.max;
    }
}

TEST(Channel, FollowsTheFrequencyTable) {
    struct Case {
        uint32_t khz;
        int32_t channel;
    };
    const Case cases[] = {
        {2412000, 1},   {2417000, 2},   {2437000, 6},     {2467000, 12}, {2472000, 13},
        {2484000, 14},  {5180000, 36},  {5200000, 40},    {5220000, 44}, {5240000, 48},
        {5260000, 52},  {5280000, 56},  {5300000, 60},    {5320000, 64}, {5745000, 149},
        {5765000, 153}, {5785000, 157}, {5805000, 161},   {5170000, 0},  {2477000, 0},
        {2413000, 0},   {5190000, 0},   {5340000, 0},     {5825000, 0},  {0, 0},
        {2407000, 0},   {5500000, 0},   {4294967295u, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(channelOf(c.khz), c.channel) << c.khz;
    }
}

TEST(Calibration, LoadsFromTheSettingsWithTheirDefaults) {
    MemorySettingsStore store;
    Calibration fresh(store);
    EXPECT_EQ(fresh.rssiMin(), 0);
    EXPECT_EQ(fresh.rssiMax(), -999);
    settings::write(store, settings::RssiMin, -91);
    settings::write(store, settings::RssiMax, -35);
    Calibration stored(store);
    EXPECT_EQ(stored.rssiMin(), -91);
    EXPECT_EQ(stored.rssiMax(), -35);
}

TEST(Calibration, ReadingsWidenTheRangeAndAreWrittenAtOnce) {
    MemorySettingsStore store;
    settings::write(store, settings::RssiMin, -90);
    settings::write(store, settings::RssiMax, -40);
    Calibration calibration(store);
    calibration.observe(-95);
    EXPECT_EQ(calibration.rssiMin(), -97);
    calibration.observe(-30);
    EXPECT_EQ(calibration.rssiMax(), -30);
    calibration.observe(-96); // inside the range now: no change
    calibration.observe(-60);
    EXPECT_EQ(calibration.rssiMin(), -97);
    EXPECT_EQ(calibration.rssiMax(), -30);
    EXPECT_EQ(settings::read(store, settings::RssiMin), -97);
    EXPECT_EQ(settings::read(store, settings::RssiMax), -30);
}

TEST(Calibration, AfterAResetTheFirstReadingSetsBothEnds) {
    MemorySettingsStore store;
    settings::write(store, settings::RssiMin, -90);
    settings::write(store, settings::RssiMax, -40);
    Calibration calibration(store);
    calibration.reset();
    EXPECT_EQ(settings::read(store, settings::RssiMin), 0);
    EXPECT_EQ(settings::read(store, settings::RssiMax), -999);
    calibration.observe(-60);
    EXPECT_EQ(calibration.rssiMin(), -62);
    EXPECT_EQ(calibration.rssiMax(), -60);
    EXPECT_EQ(signalQuality(-60, calibration), 100);
    EXPECT_EQ(settings::read(store, settings::RssiMin), -62);
}

TEST(Calibration, AnAbsurdReadingSaturates) {
    MemorySettingsStore store;
    Calibration calibration(store);
    calibration.observe(INT32_MIN + 1);
    EXPECT_EQ(calibration.rssiMin(), INT32_MIN);
}

} // namespace
} // namespace nearbeam
