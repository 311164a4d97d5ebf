#include "server/storage.h"

namespace nearbeam {

DownloadRecords Records::downloadRecords(uint64_t bssid, size_t scanLimit) {
    DownloadRecords out;
    out.point = findAccessPoint(bssid);
    if (!out.point)
        return out;
    auto place = [&](PlaceKind kind, uint32_t id) {
        return id ? find(kind, id) : std::optional<Place>();
    };
    out.network = place(PlaceKind::Network, out.point->network);
    out.building = place(PlaceKind::Building, out.point->building);
    if (out.building) {
        out.area = place(PlaceKind::Area, out.building->area);
        out.city = place(PlaceKind::City, out.building->parent);
        if (out.city)
            out.province = place(PlaceKind::Province, out.city->parent);
        if (out.province)
            out.country = place(PlaceKind::Country, out.province->parent);
    }
    // The identifier of the place at each service level; 0 where there is none.
    std::array<uint32_t, 7> scopes{};
    const std::optional<Place>* levels[7] = {nullptr,   &out.network, &out.country, &out.province,
                                             &out.city, &out.area,    &out.building};
    for (int level = 1; level < 7; ++level)
        scopes[level] = *levels[level] ? (*levels[level])->id : 0;
    out.services = servicesFor(scopes);
    if (scanLimit > 0 && out.point->building)
        out.scans = scansOf(out.point->building, scanLimit);
    return out;
}

} // namespace nearbeam
