#pragma once
// What an adapter driver reports about one access point in range, whichever
// driver (NDIS, WLAN API, simulated) produced it.

#include <array>
#include <cstdint>
#include <string>

namespace nearbeam {

// An access point's hardware address.
using Bssid = std::array<uint8_t, 6>;

// The 802.11 network mode, with the numbers the NDIS interface uses. Other
// values may arrive from a driver and are kept as they are.
enum class InfrastructureMode : uint32_t {
    Independent = 0, // ad-hoc
    Infrastructure = 1,
    Automatic = 2,
};

struct AccessPointRecord {
    Bssid bssid{};
    std::string ssid;     // 0 to 32 bytes, not terminated, any byte values
    bool privacy = false; // encryption required
    int32_t rssi = 0;     // dBm
    uint32_t frequencyKhz = 0;
    InfrastructureMode mode = InfrastructureMode::Infrastructure;

    bool isInfrastructure() const { return mode == InfrastructureMode::Infrastructure; }
};

} // namespace nearbeam
