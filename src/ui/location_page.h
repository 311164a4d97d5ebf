#pragma once
// The text of the "Where Am I?" page for one place: city, province and country,
// the area, the building with its floor and map link, the location and the
// network, each followed by the links of the services attached at that level,
// and the services offered everywhere. Database texts are escaped on the way in.

#include "database/records.h"
#include "database/tables.h"

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

// The whole page for the place; services come from the services table's file.
std::string buildLocationPage(LocationRecord& place, const TextTable& services,
                              const std::string& webHost);

} // namespace nearbeam
