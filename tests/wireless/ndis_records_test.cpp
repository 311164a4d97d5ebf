#include "wireless/ndis_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace nearbeam {
namespace {

using namespace ndis;

// Builds a list answer as a driver lays it out. Tests hand the walk exactly the
// bytes built, so the sanitizer build catches any read past them.
class ListBuilder {
  public:
    explicit ListBuilder(uint32_t numberOfItems) { put32(0, numberOfItems); }

    // Appends one record of the given Length (the plain size by default) and
    // returns its offset.
    size_t add(uint8_t last, int32_t rssi, const std::string& ssid = "net",
               uint32_t length = kPlainRecordSize, size_t bytes = kPlainRecordSize) {
        const size_t at = bytes_.size();
        bytes_.resize(at + bytes, 0);
        put32(at + kOffLength, length);
        const uint8_t mac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, last};
        std::memcpy(&bytes_[at + kOffMacAddress], mac, 6);
        put32(at + kOffSsidLength, static_cast<uint32_t>(ssid.size()));
        std::memcpy(&bytes_[at + kOffSsid], ssid.data(), std::min<size_t>(ssid.size(), 32));
        put32(at + kOffPrivacy, 0);
        put32(at + kOffRssi, static_cast<uint32_t>(rssi));
        put32(at + kOffDsConfig, 2437000);
        put32(at + kOffInfrastructureMode, 1);
        return at;
    }
    void put32(size_t at, uint32_t v) {
        if (bytes_.size() < at + 4) {
            bytes_.resize(at + 4, 0);
        }
        std::memcpy(&bytes_[at], &v, 4);
    }
    void pad(size_t size) { bytes_.resize(size, 0); }

    std::vector<AccessPointRecord> walk() const {
        // A copy of exactly the bytes, on the heap, so an over-read is caught.
        std::vector<uint8_t> exact(bytes_);
        std::vector<AccessPointRecord> out;
        walkBssidList(exact.data(), exact.size(), out);
        return out;
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

TEST(NdisBssidList, DecodesEveryField) {
    ListBuilder list(2);
    const size_t first = list.add(1, -48, "Campus");
    list.put32(first + kOffPrivacy, 1);
    list.put32(first + kOffDsConfig, 5180000);
    const size_t second = list.add(2, -80, std::string("a\0b", 3));
    list.put32(second + kOffInfrastructureMode, 0);
    const auto records = list.walk();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].bssid, (Bssid{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 1}));
    EXPECT_EQ(records[0].ssid, "Campus");
    EXPECT_TRUE(records[0].privacy);
    EXPECT_EQ(records[0].rssi, -48);
    EXPECT_EQ(records[0].frequencyKhz, 5180000u);
    EXPECT_TRUE(records[0].isInfrastructure());
    EXPECT_EQ(records[1].ssid, std::string("a\0b", 3));
    EXPECT_FALSE(records[1].privacy);
    EXPECT_EQ(records[1].mode, InfrastructureMode::Independent);
    EXPECT_FALSE(records[1].isInfrastructure());
}

TEST(NdisBssidList, FortyRecordsYieldTheFirstThirtyTwo) {
    ListBuilder list(40);
    for (uint8_t i = 0; i < 40; ++i) {
        list.add(i, -40 - i);
    }
    const auto records = list.walk();
    ASSERT_EQ(records.size(), 32u);
    EXPECT_EQ(records.back().bssid[5], 31);
}

TEST(NdisBssidList, TheFullAnswerBufferHoldsThirtyTwoPlainRecords) {
    ListBuilder list(32);
    for (uint8_t i = 0; i < 32; ++i) {
        list.add(i, -50);
    }
    ASSERT_LE(list.bytes().size(), kListBufferSize);
    list.pad(kListBufferSize);
    EXPECT_EQ(list.walk().size(), 32u);
}

TEST(NdisBssidList, StepsByEachRecordsLength) {
    ListBuilder list(3);
    list.add(1, -50, "long", 160, 160); // a larger record: information elements follow
    list.add(2, -51, "short", kRecordFieldsSize, kRecordFieldsSize);
    list.add(3, -52);
    const auto records = list.walk();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].ssid, "short");
    EXPECT_EQ(records[2].rssi, -52);
}

TEST(NdisBssidList, MalformedAnswersEndTheWalkInsideTheBytes) {
    struct Case {
        const char* what;
        uint32_t numberOfItems;
        std::vector<uint32_t> lengths; // Length field of each record (plain size in bytes)
        size_t truncateTo;             // 0: keep all bytes
        size_t expected;
    };
    const Case cases[] = {
        {"Length 0 on the second record", 5, {104, 0, 104}, 0, 1},
        {"Length 0 on the first record", 5, {0, 104}, 0, 0},
        {"Length shorter than the fields", 3, {104, 40, 104}, 0, 1},
        {"Length runs past the bytes", 3, {104, 5000, 104}, 0, 2},
        {"Length near 4 GB", 3, {104, 0xFFFFFFF0u, 104}, 0, 2},
        {"NumberOfItems larger than the records", 0xFFFFFFFFu, {104, 104}, 0, 2},
        {"NumberOfItems 0", 0, {104, 104}, 0, 0},
        {"last record cut inside its fields", 3, {104, 104, 104}, 4 + 2 * 104 + 50, 2},
        {"only part of the count", 1, {}, 2, 0},
        {"no bytes", 1, {}, 0, 0},
    };
    for (const Case& c : cases) {
        ListBuilder list(c.numberOfItems);
        uint8_t i = 0;
        for (uint32_t length : c.lengths) {
            list.add(i++, -50, "x", length);
        }
        std::vector<uint8_t> bytes = list.bytes();
        if (c.truncateTo != 0 || c.lengths.empty()) {
            bytes.resize(c.truncateTo);
        }
        std::vector<AccessPointRecord> out;
        walkBssidList(bytes.empty() ? nullptr : bytes.data(), bytes.size(), out);
        // Records with a zero Length are never delivered, whatever follows.
        EXPECT_EQ(out.size(), c.expected) << c.what;
        // Stale records from an earlier walk never remain.
        walkBssidList(bytes.data(), 0, out);
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

TEST(NdisBssidList, SsidLengthAboveThirtyTwoCountsAsThirtyTwo) {
    ListBuilder list(2);
    const size_t first = list.add(1, -50, std::string(32, 'n'));
    list.put32(first + kOffSsidLength, 33);
    const size_t second = list.add(2, -50, "");
    list.put32(second + kOffSsidLength, 0xFFFFFFFFu);
    const auto records = list.walk();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].ssid, std::string(32, 'n'));
    EXPECT_EQ(records[1].ssid.size(), 32u); // the 32 bytes of the field, all zero
}

TEST(NdisDevicePath, PrefixesNamesInBraces) {
    EXPECT_EQ(devicePath(L"{8E2C6D1A-0000-4000-8000-000000000001}"),
              L"\\\\.\\{8E2C6D1A-0000-4000-8000-000000000001}");
    EXPECT_EQ(devicePath(L"\\\\.\\Wlan0"), L"\\\\.\\Wlan0");
    EXPECT_EQ(devicePath(L"NDISUIO"), L"NDISUIO");
    EXPECT_EQ(devicePath(L""), L"");
}

} // namespace
} // namespace nearbeam
