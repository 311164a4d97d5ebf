#pragma once
// The fields of a WLAN API BSS entry (WLAN_BSS_ENTRY) that the program reads, in a
// form the portable core can take, and their mapping onto a record.

#include "wireless/access_point_record.h"

#include <cstdint>

namespace nearbeam::wlan {

// DOT11_BSS_TYPE values.
inline constexpr uint32_t kBssTypeInfrastructure = 1;
inline constexpr uint32_t kBssTypeIndependent = 2;
inline constexpr uint32_t kBssTypeAny = 3;
// The privacy bit of the 802.11 capability information.
inline constexpr uint16_t kCapabilityPrivacy = 0x0010;

struct BssFields {
    Bssid bssid{};                   // dot11Bssid
    uint32_t ssidLength = 0;         // dot11Ssid.uSSIDLength (above 32 counts as 32)
    const uint8_t* ssid = nullptr;   // dot11Ssid.ucSSID, 32 bytes
    uint32_t bssType = 0;            // dot11BssType
    int32_t rssi = 0;                // lRssi, dBm
    uint32_t centerFrequencyKhz = 0; // ulChCenterFrequency
    uint16_t capability = 0;         // usCapabilityInformation
};

AccessPointRecord toRecord(const BssFields& fields);

} // namespace nearbeam::wlan
