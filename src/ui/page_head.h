#pragma once
// The start of every page the program writes: a doctype, so that the browser lays
// it out by the standards rather than in its quirks mode, and the character set of
// its texts (UTF-8).

#include <string>
#include <string_view>

namespace nearbeam {

// Up to and including "<body>": the style sheet, then whatever else the head holds
// (already escaped).
std::string pageHead(std::string_view style, std::string_view moreHead = {});

} // namespace nearbeam
