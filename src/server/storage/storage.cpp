#include "server/storage/storage.h"

namespace nearbeam {

DownloadRecords Transaction::downloadRecords(uint64_t bssid, size_t scanLimit) {
    DownloadRecords out;
    out.point = findAccessPoint(bssid);
    if (!out.point)
        return out;
    auto place = [&](StoredKind kind, uint32_t id) {
        return id ? find(kind, id) : std::optional<StoredRecord>();
    };
    out.network = place(StoredKind::Network, out.point->network);
    out.building = place(StoredKind::Building, out.point->building);
    if (out.building) {
        out.area = place(StoredKind::Area, out.building->area);
        out.city = place(StoredKind::City, out.building->parent);
        if (out.city)
            out.province = place(StoredKind::Province, out.city->parent);
        if (out.province)
            out.country = place(StoredKind::Country, out.province->parent);
    }
    // The identifier of the place at each service level; 0 where there is none.
    std::array<uint32_t, 7> scopes{};
    const std::optional<StoredRecord>* levels[7] = {
        nullptr, &out.network, &out.country, &out.province, &out.city, &out.area, &out.building};
    for (int level = 1; level < 7; ++level)
        scopes[level] = *levels[level] ? (*levels[level])->id : 0;
    out.services = servicesFor(scopes);
    if (scanLimit > 0 && out.point->building)
        out.scans = scansOf(out.point->building, scanLimit);
    return out;
}

} // namespace nearbeam
