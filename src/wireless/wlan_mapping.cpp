#include "wireless/wlan_mapping.h"

#include <algorithm>

namespace nearbeam::wlan {

AccessPointRecord toRecord(const BssFields& fields) {
    AccessPointRecord r;
    r.bssid = fields.bssid;
    if (fields.ssid != nullptr) {
        r.ssid.assign(reinterpret_cast<const char*>(fields.ssid),
                      std::min<uint32_t>(fields.ssidLength, 32));
    }
    r.privacy = (fields.capability & kCapabilityPrivacy) != 0;
    r.rssi = fields.rssi;
    r.frequencyKhz = fields.centerFrequencyKhz;
    switch (fields.bssType) {
    case kBssTypeInfrastructure:
        r.mode = InfrastructureMode::Infrastructure;
        break;
    case kBssTypeIndependent:
        r.mode = InfrastructureMode::Independent;
        break;
    default:
        r.mode = InfrastructureMode::Automatic;
        break;
    }
    return r;
}

} // namespace nearbeam::wlan
