#include "base/utc_time.h"
#include "survey/survey_scan.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace nearbeam {
namespace {

TEST(SurveyScan, ReadsAndWritesTheSameBytes) {
    const std::string line = "4294967290\t2nd floor\tMap room\t3\t2026-12-08T09:15:00Z"
                             "\t02a0c0000025:-91\t001aff09b07c:0\n";
    const std::optional<SurveyScan> scan = parseScanLine(line.substr(0, line.size() - 1) + "\r\n");
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->buildingId, 4294967290u);
    EXPECT_EQ(scan->floor, "2nd floor");
    EXPECT_EQ(scan->location, "Map room");
    EXPECT_EQ(scan->status, 3);
    EXPECT_EQ(scan->time, "2026-12-08T09:15:00Z");
    ASSERT_EQ(scan->readings.size(), 2u);
    EXPECT_EQ(scan->readings[0].bssid.str(), "02a0c0000025");
    EXPECT_EQ(scan->readings[0].rssi, -91);
    EXPECT_EQ(formatScanLine(*scan), line);
    EXPECT_EQ(formatScanWireLine(*scan),
              "4294967290\t2nd floor\tMap "
              "room\t2026-12-08T09:15:00Z\t02a0c0000025:-91\t001aff09b07c:0\n");
    EXPECT_EQ(parseScanWireLine(formatScanWireLine(*scan))->readings, scan->readings);

    SurveyScan odd = *scan;
    odd.floor = "a\tb";
    odd.location = "c\r\nd";
    EXPECT_EQ(formatScanLine(odd).substr(0, 22), "4294967290\ta b\tc  d\t3\t");
}

TEST(SurveyScan, DamagedLinesAreRefused) {
    const char* const bad[] = {
        "",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z",                   // no access point
        "0\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-50", // no building
        "-7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-50",
        "x\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-50",
        "7\t1\tHall\tx\t2026-12-08T09:15:00Z\t02a0c0000025:-50",
        "7\t1\tHall\t0\t2026-12-08 09:15:00\t02a0c0000025:-50",
        "7\t1\tHall\t0\t2026-13-08T09:15:00Z\t02a0c0000025:-50",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c000002:-50", // short BSSID
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02:a0:c0:00:00:25:-50",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025-50",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-121",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:1",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-5x",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-50\t",
        "7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-50\t02A0C0000025:-60",
    };
    for (const char* line : bad)
        EXPECT_FALSE(parseScanLine(line)) << line;
    EXPECT_TRUE(parseScanLine("7\t\t\t0\t2026-12-08T09:15:00Z\t02A0C0000025:-120"));
    // A file line is not a protocol line, nor the other way round.
    EXPECT_FALSE(parseScanWireLine("7\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-50"));
    EXPECT_FALSE(parseScanLine("7\t1\tHall\t2026-12-08T09:15:00Z\t02a0c0000025:-50"));
}

// One reader over many lines: long ones, a repeat anywhere in them, and a line
// read after one that held the same access points.
TEST(SurveyScan, AReaderRefusesEachRepeatAndForgetsTheLineBefore) {
    const auto line = [](int count, int repeatOf) {
        std::string text = "7\t1\tHall\t0\t2026-12-08T09:15:00Z";
        for (int i = 0; i < count; ++i) {
            char field[24];
            std::snprintf(field, sizeof field, "\t02a0c0%06x:-%d",
                          i == count - 1 && repeatOf >= 0 ? repeatOf : i * 4099, 40 + i % 60);
            text += field;
        }
        return text + "\r\n";
    };
    struct Case {
        int count;
        int repeatOf; // the last access point repeats this one's address; -1: none
        bool good;
    };
    const Case cases[] = {{1, -1, true},           {2, 0, false},          {50, -1, true},
                          {50, 0, false},          {50, 24 * 4099, false}, {300, -1, true},
                          {300, 17 * 4099, false}, {50, -1, true},         {3, -1, true}};
    ScanLineReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " " + std::to_string(c.repeatOf));
        EXPECT_EQ(reader.read(line(c.count, c.repeatOf)), c.good);
        if (c.good) {
            ASSERT_EQ(reader.readings().size(), static_cast<size_t>(c.count));
            EXPECT_EQ(reader.readings().back().address,
                      0x02a0c0000000u + static_cast<uint64_t>((c.count - 1) * 4099));
            EXPECT_EQ(reader.readings().back().rssi, -(40 + (c.count - 1) % 60));
        }
    }
}

TEST(UtcTime, WritesAndRecognisesTheOneForm) {
    EXPECT_EQ(utcTimeText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(utcTimeText(1796721300), "2026-12-08T09:15:00Z");
    EXPECT_TRUE(isUtcTimeText("2026-12-08T09:15:00Z"));
    for (const char* bad : {"2026-12-08T09:15:00", "2026-12-08T24:00:00Z", "2026-00-08T09:15:00Z",
                            "2026-12-08t09:15:00Z", "2026-12-8T09:15:00Z", "2026-12-08T09:15:0aZ"})
        EXPECT_FALSE(isUtcTimeText(bad)) << bad;
}

} // namespace
} // namespace nearbeam
