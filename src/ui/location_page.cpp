#include "ui/location_page.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "ui/html_escape.h"
#include "ui/page_head.h"

#include <cstdint>
#include <mutex>
#include <string_view>

namespace nearbeam {

namespace {

constexpr const char* kStyle = "body { margin: 15px; font: 9pt Verdana,sans-serif; }";
constexpr const char* kCoverageLink = "nearbeam:coverage?building=";
constexpr const char* kRule = "<br/><hr style='color:white; border-top: 1px solid gray;' /><br/>";

// The services of one level on the current line; a line break when any was written.
void writeServices(const TextTable& services, int32_t level, LocationContext& context) {
    context.place->forEachService(services, level,
                                  [&](const std::string& label, const std::string& url) {
                                      writeServiceLink(label, url, context);
                                  });
}

void endServiceLine(LocationContext& context) {
    if (context.linkWritten)
        *context.page += "<br/>";
    *context.page += "<br/>";
}

void writeLink(std::string& page, const std::string& url, const std::string& shown) {
    page += "<a href=\"" + escapeHtml(url) + "\" target=\"_blank\">" + shown + "</a>";
}

} // namespace

void writeServiceLink(const std::string& label, const std::string& url, LocationContext& context) {
    std::string& page = *context.page;
    if (context.linkWritten)
        page += ", ";
    context.linkWritten = true;
    if (url.find('{') == std::string::npos) {
        writeLink(page, url, escapeHtml(label));
    } else {
        writeLink(page, context.place->expandTemplate(url), "<i>" + escapeHtml(label) + "</i>");
    }
}

std::string mapTemplate(const std::string& webHost) {
    // Plain "&" between the parameters: the whole address is escaped as an
    // attribute value once it is filled in.
    // The server setting may name its scheme; a bare host means plain HTTP.
    const bool schemed =
        webHost.compare(0, 7, "http://") == 0 || webHost.compare(0, 8, "https://") == 0;
    return (schemed ? webHost : "http://" + webHost) +
           "/services/mapredirect/?country={country}&province={province}&city={city}"
           "&addr={streetaddr}";
}

std::string buildLocationPage(LocationRecord& place, const TextTable& services,
                              const std::string& webHost, bool coverage) {
    std::string page = pageHead(kStyle);
    LocationContext context{&place, &page, false};

    page += "<b>" + escapeHtml(place.cityName()) + ", " + escapeHtml(place.provinceName()) + ", " +
            escapeHtml(place.countryName()) + "</b><br/>";
    for (int32_t level : {service_level::Country, service_level::Province, service_level::City})
        writeServices(services, level, context);
    endServiceLine(context);

    if (const std::string area = place.areaName(); !area.empty()) {
        page += "<b>" + escapeHtml(area) + "</b><br/>";
        context.linkWritten = false;
        writeServices(services, service_level::Area, context);
        endServiceLine(context);
    }

    page += "<b>" + escapeHtml(place.buildingName());
    if (const std::string floor = place.floorText(); !floor.empty())
        page += ", " + escapeHtml(floor);
    page += "</b><br/>";
    const std::string address = place.buildingAddress();
    context.linkWritten = !address.empty();
    if (!address.empty())
        writeLink(page, place.expandTemplate(mapTemplate(webHost)), escapeHtml(address));
    writeServices(services, service_level::Building, context);
    if (coverage && place.building) {
        if (context.linkWritten)
            page += ", ";
        context.linkWritten = true;
        page += "<a href=\"" + coverageLink(place.building->id) + "\">Survey coverage</a>";
    }
    endServiceLine(context);

    if (!place.location.empty())
        page += "<b>" + escapeHtml(place.location) + "</b><br/>";
    page += kRule;

    if (const std::string network = place.networkName(); !network.empty()) {
        page += "Network: " + escapeHtml(network) + "<br/>";
        context.linkWritten = false;
        writeServices(services, service_level::Network, context);
        endServiceLine(context);
    }

    page += "Other services: ";
    context.linkWritten = false;
    writeServices(services, service_level::Everywhere, context);
    page += "</body></html>";
    return page;
}

std::string coverageLink(uint32_t building) {
    return kCoverageLink + std::to_string(building);
}

std::optional<uint32_t> coverageLinkBuilding(const std::string& url) {
    const std::string_view prefix = kCoverageLink;
    if (url.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string_view digits = std::string_view(url).substr(prefix.size());
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const unsigned long long building = std::stoull(std::string(digits));
    if (building == 0 || building > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(building);
}

std::optional<BssidKey> pageKeyOf(const std::wstring& bssid) {
    return BssidKey::fromText(narrow(bssid.substr(0, 12)));
}

std::optional<std::string> locationPageOf(const LocationPageContext& context, const BssidKey& key) {
    std::lock_guard<std::recursive_mutex> guard(context.database.lock());
    LocationRecord* place = context.database.locations().find(key);
    if (!place)
        return std::nullopt;
    return buildLocationPage(*place, context.database.services(),
                             narrow(settings::read(context.settings, settings::Server)),
                             static_cast<bool>(context.coverage));
}

} // namespace nearbeam
