// The answer of an NDIS driver to the list query, any bytes: the walk never reads
// outside them, and every record it returns holds the bytes at its own offsets.

#include "wireless/ndis_records.h"
#include "fuzz_files.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace nearbeam;
using fuzz::check;

namespace {

uint32_t u32At(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<AccessPointRecord> out(3); // whatever was there before goes
    ndis::walkBssidList(data, size, out);
    if (size < 4) {
        check(out.empty());
        return 0;
    }
    check(out.size() <= ndis::kMaxRecords && out.size() <= u32At(data));

    // Walk the records again by their Length fields and compare field by field.
    size_t offset = 4;
    for (const AccessPointRecord& r : out) {
        check(offset + ndis::kRecordFieldsSize <= size);
        const uint8_t* record = data + offset;
        check(std::memcmp(r.bssid.data(), record + ndis::kOffMacAddress, 6) == 0);
        const uint32_t ssidLength = u32At(record + ndis::kOffSsidLength);
        check(r.ssid.size() == (ssidLength < 32 ? ssidLength : 32));
        check(std::memcmp(r.ssid.data(), record + ndis::kOffSsid, r.ssid.size()) == 0);
        check(r.privacy == (u32At(record + ndis::kOffPrivacy) != 0));
        check(r.rssi == static_cast<int32_t>(u32At(record + ndis::kOffRssi)));
        check(r.frequencyKhz == u32At(record + ndis::kOffDsConfig));
        check(static_cast<uint32_t>(r.mode) == u32At(record + ndis::kOffInfrastructureMode));
        const uint32_t length = u32At(record + ndis::kOffLength);
        check(length >= ndis::kRecordFieldsSize);
        offset += length;
    }
    return 0;
}
