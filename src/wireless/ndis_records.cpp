#include "wireless/ndis_records.h"

#include <algorithm>

namespace nearbeam::ndis {

namespace {

uint32_t readU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

} // namespace

void walkBssidList(const uint8_t* bytes, size_t size, std::vector<AccessPointRecord>& out) {
    out.clear();
    if (bytes == nullptr || size < 4) {
        return;
    }
    const uint32_t count = std::min(readU32(bytes), kMaxRecords);
    size_t offset = 4;
    for (uint32_t i = 0; i < count; ++i) {
        // offset <= size holds here, so the subtraction cannot wrap.
        if (size - offset < kRecordFieldsSize) {
            break;
        }
        const uint8_t* record = bytes + offset;
        const uint32_t length = readU32(record + kOffLength);
        // A record shorter than its own fields is corrupt; a Length of 0 would
        // never move on.
        if (length < kRecordFieldsSize) {
            break;
        }
        AccessPointRecord& r = out.emplace_back();
        std::copy(record + kOffMacAddress, record + kOffMacAddress + 6, r.bssid.begin());
        const uint32_t ssidLength = std::min<uint32_t>(readU32(record + kOffSsidLength), 32);
        r.ssid.assign(reinterpret_cast<const char*>(record + kOffSsid), ssidLength);
        r.privacy = readU32(record + kOffPrivacy) != 0;
        r.rssi = static_cast<int32_t>(readU32(record + kOffRssi));
        r.frequencyKhz = readU32(record + kOffDsConfig);
        r.mode = static_cast<InfrastructureMode>(readU32(record + kOffInfrastructureMode));
        // A record running past the returned bytes is the last one.
        if (length > size - offset) {
            break;
        }
        offset += length;
    }
}

std::wstring devicePath(const std::wstring& adapterName) {
    if (!adapterName.empty() && adapterName.front() == L'{') {
        return L"\\\\.\\" + adapterName;
    }
    return adapterName;
}

} // namespace nearbeam::ndis
