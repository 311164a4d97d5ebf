#include "ui/coverage_page.h"

#include "base/utc_time.h"
#include "records/data_file.h"
#include "records/records.h"
#include "survey/survey_scan.h"
#include "ui/html_escape.h"
#include "ui/page_head.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace nearbeam {

namespace {

constexpr const char* kStyle =
    "body { margin: 15px; font: 9pt Verdana,sans-serif; } "
    "td { padding: 2px 8px 2px 0; vertical-align: top; } .needs { color: #b00000; }";
constexpr int32_t kBarWidth = 100;
constexpr std::time_t kYearSeconds = 365 * 24 * 60 * 60;

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Numbered floors first, lowest first; then the others by their text.
bool floorBefore(const std::string& a, const std::string& b) {
    const bool numberA = allDigits(a);
    const bool numberB = allDigits(b);
    if (numberA != numberB)
        return numberA;
    if (numberA && a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

struct Tally {
    int32_t scans = 0;
    std::string newest;
};

std::string floorLabel(const std::string& floor) {
    return floor.empty() ? "(no floor)" : floorText(floor);
}

} // namespace

std::vector<BuildingCoverage> surveyCoverage(LocationDatabase& database, uint32_t only) {
    std::map<uint32_t, std::map<std::string, std::map<std::string, Tally>>> tallies;
    std::vector<BuildingCoverage> buildings;
    std::lock_guard<std::recursive_mutex> guard(database.lock());
    datafile::LineReader reader(database.scanFile().path());
    ScanLineReader scan;
    std::string_view line;
    while (reader.next(line)) {
        if (!scan.read(line))
            continue;
        const ScanLineHead& head = scan.head();
        if (only != 0 && head.buildingId != only)
            continue;
        Tally& tally =
            tallies[head.buildingId][std::string(head.floor)][std::string(head.location)];
        ++tally.scans;
        if (head.time > tally.newest)
            tally.newest = std::string(head.time);
    }
    for (const auto& [id, floors] : tallies) {
        const NamedRecord* record = database.buildings().findById(id);
        if (!record)
            continue;
        BuildingCoverage building{id, record->name, 0, {}};
        for (const auto& [floorName, locations] : floors) {
            FloorCoverage floor{floorName, 0, {}};
            for (const auto& [location, tally] : locations) {
                floor.locations.push_back(LocationCoverage{location, tally.scans, tally.newest});
                floor.scans += tally.scans;
            }
            building.scans += floor.scans;
            building.floors.push_back(std::move(floor));
        }
        std::stable_sort(building.floors.begin(), building.floors.end(),
                         [](const FloorCoverage& a, const FloorCoverage& b) {
                             return floorBefore(a.floor, b.floor);
                         });
        buildings.push_back(std::move(building));
    }
    std::stable_sort(
        buildings.begin(), buildings.end(),
        [](const BuildingCoverage& a, const BuildingCoverage& b) { return a.name < b.name; });
    return buildings;
}

std::string buildCoveragePage(const std::vector<BuildingCoverage>& buildings, std::time_t now) {
    std::string page = pageHead(kStyle) + "<b>Survey coverage</b><br/><br/>";
    if (buildings.empty())
        return page + "No survey scans yet.</body></html>";
    const std::string yearAgo = utcTimeText(now - kYearSeconds);
    for (const BuildingCoverage& building : buildings) {
        page += "<b>" + escapeHtml(building.name) + "</b> (" + std::to_string(building.scans) +
                " scans)<br/><table>";
        int32_t most = 1;
        for (const FloorCoverage& floor : building.floors)
            most = std::max(most, floor.scans);
        for (const FloorCoverage& floor : building.floors) {
            const int32_t width = std::max(1, floor.scans * kBarWidth / most);
            page += "<tr><td><b>" + escapeHtml(floorLabel(floor.floor)) + "</b></td><td>" +
                    std::to_string(floor.scans) + "</td><td colspan='2'><img width='" +
                    std::to_string(width) + "' height='8' src='bar-blue.png' /></td></tr>";
            for (const LocationCoverage& location : floor.locations) {
                std::string needs;
                if (location.scans < kFewScans)
                    needs = "fewer than " + std::to_string(kFewScans) + " scans";
                if (location.newest < yearAgo)
                    needs += std::string(needs.empty() ? "" : "; ") + "newest over a year old";
                page +=
                    std::string(needs.empty() ? "<tr>" : "<tr class='needs'>") +
                    "<td>&nbsp;&nbsp;" +
                    escapeHtml(location.location.empty() ? "(whole floor)" : location.location) +
                    "</td><td>" + std::to_string(location.scans) + "</td><td nowrap>" +
                    escapeHtml(location.newest) + "</td><td>" + needs + "</td></tr>";
            }
        }
        page += "</table><br/>";
    }
    return page + "</body></html>";
}

} // namespace nearbeam
