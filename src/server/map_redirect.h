#pragma once
// The map link of the location page leads to the location server's
// /services/mapredirect/, which sends the browser on to a map search for the
// building's street address.

#include <string>

namespace nearbeam {

// An OpenStreetMap search for "address, city, province, country" (empty parts
// left out); the parts are the decoded query values of the map link.
std::string mapSearchAddress(const std::string& address, const std::string& city,
                             const std::string& province, const std::string& country);

} // namespace nearbeam
