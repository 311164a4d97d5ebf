#pragma once
// Texts of the map in JSON: the map's 8-bit texts (Latin-1) as JSON strings, with
// every character a page could take for markup written as an escape.

#include <string>
#include <string_view>

namespace nearbeam {

// The text as a JSON string, quotes included.
std::string jsonString(std::string_view text);

} // namespace nearbeam
