#include "survey/scan_store.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

const std::string kGood = "10\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000001:-50\r\n";

std::vector<HeardAccessPoint> heardOne() {
    return {HeardAccessPoint{*BssidKey::fromText("02a0c0000001"), -50, nullptr}};
}

class ScanStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { store.setPath(dir.file("scans.txt")); }
    test::TempDir dir;
    ScanStore store{4096};
    ScanStore::BuildingCheck known = [](uint32_t id) { return id == 10; };
};

TEST_F(ScanStoreTest, DamagedLinesArePassedOver) {
    const std::string cases[] = {
        std::string("10\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000002:-5\0\r\n", 51),
        "10\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c00000zz:-50\r\n",  // bad BSSID
        "10\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000002:-121\r\n", // signal too weak
        "10\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000002:1\r\n",    // above 0
        "10\t1\tHall\t0\t2026-12-08T09:15:00Z\r\n",                    // no access point
        "77\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000002:-50\r\n",  // unknown building
        "10\r1\rHall\r0\r\n\r\r",
        std::string(3000, 'x') + "\r\n",
        "\xff\xfe\t\t\t\t\t\t\n\n\n",
        "10\t1\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000002:-50", // cut off by a crash
    };
    for (const std::string& damage : cases) {
        SCOPED_TRACE(damage);
        dir.write("scans.txt", kGood + damage);
        EXPECT_EQ(store.refresh(known), "");
        EXPECT_EQ(store.size(), 1u);
        EXPECT_EQ(store.nearest(heardOne(), {}).size(), 1u);
        if (damage.back() != '\n')
            continue; // a line cut off is only damaged at the end of the file
        dir.write("scans.txt", damage + kGood);
        store.refresh(known);
        EXPECT_EQ(store.size(), 1u);
    }
    dir.write("scans.txt", "");
    store.refresh(known);
    EXPECT_EQ(store.size(), 0u);
}

TEST_F(ScanStoreTest, FollowsTheFileAppendedToOrReplaced) {
    EXPECT_EQ(store.refresh(known), ""); // no file yet
    EXPECT_EQ(store.size(), 0u);
    dir.write("scans.txt", kGood);
    store.refresh(known);
    ASSERT_EQ(store.size(), 1u);
    // Another writer (the download) appends: the new line is read on its own.
    dir.write("scans.txt", kGood + kGood);
    store.refresh(known);
    EXPECT_EQ(store.size(), 2u);
    // Replaced by a file whose first line differs: read again whole.
    dir.write("scans.txt",
              "10\t2\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000001:-60\r\n" + kGood + kGood);
    store.refresh(known);
    EXPECT_EQ(store.size(), 3u);
    dir.write("scans.txt", kGood);
    store.refresh(known);
    EXPECT_EQ(store.size(), 1u);

    // A scan stored here is written at once and kept.
    SurveyScan made = *parseScanLine(kGood);
    made.status = 3;
    made.floor = "2";
    ASSERT_TRUE(store.append(made));
    EXPECT_EQ(store.size(), 2u);
    store.refresh(known);
    EXPECT_EQ(store.size(), 2u);
    EXPECT_EQ(dir.read("scans.txt"),
              kGood + formatScanLine(made).insert(formatScanLine(made).size() - 1, "\r"));
    made.readings.clear();
    EXPECT_FALSE(store.append(made));
}

TEST_F(ScanStoreTest, AFileOverTheLimitIsRefusedWithAMessageOnce) {
    std::string big;
    while (big.size() <= 4096)
        big += kGood;
    dir.write("scans.txt", big);
    const std::string message = store.refresh(known);
    EXPECT_NE(message.find("scans.txt"), std::string::npos);
    EXPECT_EQ(store.size(), 0u);
    dir.write("scans.txt", big + kGood);
    EXPECT_EQ(store.refresh(known), "");
    dir.write("scans.txt", kGood);
    EXPECT_EQ(store.refresh(known), "");
    EXPECT_EQ(store.size(), 1u);
}

} // namespace
} // namespace nearbeam
