#include "wireless/wlan_mapping.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam {
namespace {

using namespace wlan;

TEST(WlanMapping, CopiesTheFieldsOfAnEntry) {
    const uint8_t ssid[32] = {'C', 'a', 'm', 'p', 'u', 's'};
    BssFields fields;
    fields.bssid = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    fields.ssidLength = 6;
    fields.ssid = ssid;
    fields.bssType = kBssTypeInfrastructure;
    fields.rssi = -67;
    fields.centerFrequencyKhz = 5180000;
    fields.capability = 0x0411; // ESS, privacy, short slot time
    const AccessPointRecord r = toRecord(fields);
    EXPECT_EQ(r.bssid, fields.bssid);
    EXPECT_EQ(r.ssid, "Campus");
    EXPECT_TRUE(r.privacy);
    EXPECT_EQ(r.rssi, -67);
    EXPECT_EQ(r.frequencyKhz, 5180000u);
    EXPECT_EQ(r.mode, InfrastructureMode::Infrastructure);
}

TEST(WlanMapping, MapsBssTypeAndPrivacyBit) {
    struct Case {
        uint32_t bssType;
        uint16_t capability;
        InfrastructureMode mode;
        bool privacy;
    };
    const Case cases[] = {
        {kBssTypeInfrastructure, 0x0001, InfrastructureMode::Infrastructure, false},
        {kBssTypeIndependent, 0x0002, InfrastructureMode::Independent, false},
        {kBssTypeIndependent, 0x0012, InfrastructureMode::Independent, true},
        {kBssTypeAny, 0x0010, InfrastructureMode::Automatic, true},
        {7, 0xFFEF, InfrastructureMode::Automatic, false}, // every bit but privacy
    };
    for (const Case& c : cases) {
        BssFields fields;
        fields.bssType = c.bssType;
        fields.capability = c.capability;
        const AccessPointRecord r = toRecord(fields);
        EXPECT_EQ(r.mode, c.mode) << c.bssType;
        EXPECT_EQ(r.privacy, c.privacy) << std::hex << c.capability;
        EXPECT_TRUE(r.ssid.empty()); // no SSID bytes given
    }
}

TEST(WlanMapping, SsidLengthIsBoundedByTheField) {
    uint8_t ssid[32];
    for (uint8_t i = 0; i < 32; ++i) {
        ssid[i] = static_cast<uint8_t>('a' + i % 26);
    }
    BssFields fields;
    fields.ssid = ssid;
    fields.ssidLength = 200;
    EXPECT_EQ(toRecord(fields).ssid.size(), 32u);
    fields.ssidLength = 0;
    EXPECT_EQ(toRecord(fields).ssid, "");
}

} // namespace
} // namespace nearbeam
