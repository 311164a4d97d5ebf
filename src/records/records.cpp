#include "records/records.h"

#include "base/percent_encoding.h"
#include "base/text.h"
#include "records/data_file.h"
#include "records/record_lines.h"
#include "records/text_table.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace nearbeam {

namespace {
uint32_t idOf(const NamedRecord* record) {
    return record ? record->id : 0;
}
std::string nameOf(const NamedRecord* record) {
    return record ? record->name : std::string();
}
} // namespace

std::string NamedRecord::formatLine() const {
    if (kind == RecordKind::Country)
        return formatCountryLine(id, name, status);
    return formatChildLine(id, idOf(parent), name, status);
}

int NamedRecord::formatLine(char* buffer, size_t capacity) const {
    if (!buffer || capacity == 0)
        return 0;
    std::string line = formatLine();
    size_t n = line.size() < capacity - 1 ? line.size() : capacity - 1;
    std::memcpy(buffer, line.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

std::string BuildingRecord::formatLine() const {
    return formatBuildingLine(id, idOf(area), idOf(parent), name, streetAddress, status);
}

std::string LocationRecord::formatLine() const {
    return formatLocationLine(bssid.view(), idOf(building), idOf(network), floor, location, status);
}

void LocationRecord::markEdited() {
    status = status == record_status::Local ? record_status::LocalChanged : record_status::Changed;
}

void LocationRecord::resolveParents() {
    if (resolved)
        return;
    resolved = true;
    area = building ? building->area : nullptr;
    city = building ? building->parent : nullptr;
    province = city ? city->parent : nullptr;
    country = province ? province->parent : nullptr;
}

std::string LocationRecord::networkName() {
    return nameOf(network);
}
std::string LocationRecord::countryName() {
    resolveParents();
    return nameOf(country);
}
std::string LocationRecord::provinceName() {
    resolveParents();
    return nameOf(province);
}
std::string LocationRecord::cityName() {
    resolveParents();
    return nameOf(city);
}
std::string LocationRecord::areaName() {
    resolveParents();
    return nameOf(area);
}
std::string LocationRecord::buildingName() {
    return nameOf(building);
}
std::string LocationRecord::buildingAddress() {
    return building ? building->streetAddress : std::string();
}

std::string LocationRecord::floorText() const {
    return nearbeam::floorText(floor);
}

std::string floorText(const std::string& floor) {
    if (floor.empty() || floor.find_first_not_of("0123456789") != std::string::npos)
        return floor;
    if (floor == "11" || floor == "12" || floor == "13")
        return floor + "th floor";
    switch (floor.back()) {
    case '1':
        return floor + "st floor";
    case '2':
        return floor + "nd floor";
    case '3':
        return floor + "rd floor";
    default:
        return floor + "th floor";
    }
}

std::string urlEncode(const std::string& text) {
    // In UTF-8 whatever the file held (a name of an older file in Windows-1252
    // too), every byte outside visible ASCII as %XX: the address is the same
    // whichever system's HTTP stack sends it.
    return percentEncode(
        utf8Text(text),
        [](unsigned char c) {
            return visibleByte(c) && std::string_view("\"#&'+=?%").find(static_cast<char>(c)) ==
                                         std::string_view::npos;
        },
        true);
}

std::string LocationRecord::expandTemplate(const std::string& templ) {
    resolveParents();
    struct Key {
        const char* text;
        int which;
    };
    static const Key kKeys[] = {{"{bssid}", 0},    {"{location}", 1},   {"{area}", 2},
                                {"{building}", 3}, {"{buildingid}", 4}, {"{streetaddr}", 5},
                                {"{city}", 6},     {"{country}", 7},    {"{province}", 8}};
    std::string out;
    size_t p = 0;
    for (;;) {
        size_t open = templ.find('{', p);
        if (open == std::string::npos) {
            out.append(templ, p, std::string::npos);
            return out;
        }
        out.append(templ, p, open - p);
        for (const Key& key : kKeys) {
            if (templ.compare(open, std::char_traits<char>::length(key.text), key.text) != 0)
                continue;
            switch (key.which) {
            case 0:
                out += bssid.view();
                break;
            case 1:
                out += urlEncode(location);
                break;
            case 2:
                out += urlEncode(areaName());
                break;
            case 3:
                out += urlEncode(buildingName());
                break;
            case 4:
                out += std::to_string(building ? building->id : 0);
                break;
            case 5:
                out += urlEncode(buildingAddress());
                break;
            case 6:
                out += urlEncode(cityName());
                break;
            case 7:
                out += urlEncode(countryName());
                break;
            case 8:
                out += urlEncode(provinceName());
                break;
            }
            break;
        }
        size_t close = templ.find('}', open);
        if (close == std::string::npos)
            return out;
        p = close + 1;
    }
}

void LocationRecord::forEachService(const TextTable& services, int32_t level,
                                    const ServiceCallback& callback) {
    resolveParents();
    const NamedRecord* scope = nullptr;
    switch (level) {
    case service_level::Everywhere:
        break;
    case service_level::Network:
        scope = network;
        break;
    case service_level::Country:
        scope = country;
        break;
    case service_level::Province:
        scope = province;
        break;
    case service_level::City:
        scope = city;
        break;
    case service_level::Area:
        scope = area;
        break;
    case service_level::Building:
        scope = building;
        break;
    default:
        return;
    }
    if (level != service_level::Everywhere && !scope)
        return;
    const std::string key =
        "\t" + std::to_string(scope ? scope->id : 0) + "\t" + std::to_string(level) + "\t";

    // Collected under the lock, delivered after it.
    std::vector<std::pair<std::string, std::string>> found;
    {
        std::lock_guard<std::recursive_mutex> guard(services.lock());
        datafile::forEachPartOfFile(services.path(), [&](std::string_view line) {
            size_t tab = line.find('\t');
            if (tab == std::string_view::npos || line.compare(tab, key.size(), key) != 0)
                return false;
            size_t urlStart = tab + key.size();
            size_t urlEnd = line.find('\t', urlStart);
            if (urlEnd == std::string_view::npos)
                return false;
            size_t end = line.find("\t0\n", urlStart);
            if (end == std::string_view::npos || end <= urlEnd)
                return false;
            found.emplace_back(std::string(line.substr(urlEnd + 1, end - urlEnd - 1)),
                               std::string(line.substr(urlStart, urlEnd - urlStart)));
            return false;
        });
    }
    for (const auto& [label, url] : found)
        callback(label, url);
}

} // namespace nearbeam
