#include "server/protocol/place_lines.h"

#include "records/bssid_key.h"
#include "records/record_lines.h"

#include <cstdio>

namespace nearbeam {
namespace {

RecordKind recordKind(StoredKind kind) {
    switch (kind) {
    case StoredKind::Country:
        return RecordKind::Country;
    case StoredKind::Province:
        return RecordKind::Province;
    case StoredKind::City:
        return RecordKind::City;
    case StoredKind::Area:
        return RecordKind::Area;
    case StoredKind::Building:
        return RecordKind::Building;
    case StoredKind::Network:
        return RecordKind::Network;
    case StoredKind::Service:
        break;
    }
    return RecordKind::Service;
}

} // namespace

const char* storedFileName(StoredKind kind) {
    constexpr const char* names[] = {"country.txt",  "province.txt", "city.txt",    "area.txt",
                                     "building.txt", "network.txt",  "services.txt"};
    return names[static_cast<int>(kind)];
}

const char* storedHeading(StoredKind kind) {
    constexpr const char* headings[] = {"- countries", "- provinces", "- cities",  "- areas",
                                        "- buildings", "- networks",  "- services"};
    return headings[static_cast<int>(kind)];
}

std::string storedFileLine(StoredKind kind, const StoredRecord& p) {
    switch (kind) {
    case StoredKind::Country:
    case StoredKind::Network:
        return formatCountryLine(p.id, p.name, 0);
    case StoredKind::Province:
    case StoredKind::City:
    case StoredKind::Area:
        return formatChildLine(p.id, p.parent, p.name, 0);
    case StoredKind::Building:
        return formatBuildingLine(p.id, p.area, p.parent, p.name, p.street, 0);
    case StoredKind::Service:
        break;
    }
    return formatServiceLine(p.id, p.parent, p.level, p.url, p.name, 0);
}

std::string accessPointFileLine(const AccessPoint& a) {
    return formatLocationLine(bssidText(a.bssid), a.building, a.network, a.floor, a.location, 0);
}

std::optional<StoredRecord> storedFromLine(StoredKind kind, std::string_view line) {
    RecordFields f = parseRecordFields(recordKind(kind), line);
    if (f.id == 0 || (f.name.empty() && kind != StoredKind::Service))
        return std::nullopt;
    StoredRecord p;
    p.id = f.id;
    p.parent = kind == StoredKind::Service ? f.scopeId : f.parentId;
    p.area = f.areaId;
    p.level = f.level;
    p.name = f.name;
    p.street = f.streetAddress;
    p.url = f.url;
    return p;
}

std::optional<AccessPoint> accessPointFromLine(std::string_view line) {
    LocationFields f = parseLocationFields(line);
    auto bssid = bssidNumber(f.bssid);
    if (!bssid)
        return std::nullopt;
    return AccessPoint{*bssid, f.buildingId, f.networkId, f.floor, f.location};
}

bool plainName(std::string_view name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return !name.empty();
}

std::string bssidText(uint64_t bssid) {
    char text[16];
    std::snprintf(text, sizeof text, "%012llx",
                  static_cast<unsigned long long>(bssid & 0xffffffffffffULL));
    return text;
}

std::optional<uint64_t> bssidNumber(std::string_view text) {
    auto key = BssidKey::fromText(text);
    if (!key)
        return std::nullopt;
    return std::stoull(key->str(), nullptr, 16);
}

} // namespace nearbeam
