#pragma once
// The text of the "Where Am I?" page for one place: city, province and country,
// the area, the building with its floor and map link, the location and the
// network, each followed by the links of the services attached at that level,
// and the services offered everywhere. Database texts are escaped on the way in.

#include "base/settings_store.h"
#include "locate/location_database.h"
#include "records/records.h"
#include "records/text_table.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace nearbeam {

// What writeServiceLink works on while a page is built.
struct LocationContext {
    LocationRecord* place = nullptr;
    std::string* page = nullptr;
    bool linkWritten = false; // a link stands on the current line already
};

// Appends one service link, after ", " when a link stands on the line already. A
// url holding "{" is filled in for the place and its label shown in italics.
void writeServiceLink(const std::string& label, const std::string& url, LocationContext& context);

// The map address for a building's street address, before it is filled in, on
// the web host (the location server's host, optionally with ":port").
std::string mapTemplate(const std::string& webHost);

// What the "Where Am I?" window uses and what it opens; made by the program entry.
struct LocationPageContext {
    LocationPageContext(LocationDatabase& database, SettingsStore& settings)
        : database(database), settings(settings) {}

    LocationDatabase& database;
    SettingsStore& settings; // the Server setting names the map link's host
    // The Set-location wizard for an access point: "Edit", and a page asked for
    // an access point without a record. Empty: nothing opens.
    std::function<void(const BssidKey&)> setLocation;
    // The Scanner window ("Scanner" of the menu). Empty: nothing opens.
    std::function<void()> scanner;
    // Hands a link to the user's browser; empty: the system's opener. Only web and
    // mail links that fit the shell's buffer ever reach it.
    std::function<void(const std::wstring& link)> openLink;
    // The survey coverage of a building (its link on the page). Empty: no link.
    std::function<void(uint32_t building)> coverage;
};

// The whole page for the place; services come from the services table's file.
// coverage: the building's line links to its survey coverage.
std::string buildLocationPage(LocationRecord& place, const TextTable& services,
                              const std::string& webHost, bool coverage = false);

// The page's link to a building's survey coverage, which the window opens itself
// (it never reaches the shell), and the building such a link names (none for any
// other link).
std::string coverageLink(uint32_t building);
std::optional<uint32_t> coverageLinkBuilding(const std::string& url);

// The access point a page is asked for: the first 12 characters of a BSSID key;
// none when they are not an address.
std::optional<BssidKey> pageKeyOf(const std::wstring& bssid);

// The page of the access point's place, built under the database's lock (the web
// agent's thread may be adding records and services meanwhile); none when the
// database does not place it.
std::optional<std::string> locationPageOf(const LocationPageContext& context, const BssidKey& key);

} // namespace nearbeam
