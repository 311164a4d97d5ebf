#pragma once
// Network names from the air on their way into a page. Most phones and routers
// name networks in UTF-8; a name that is not valid UTF-8 is read as Windows-1252,
// as every 8-bit text of the program. Characters outside ASCII are written as
// numeric character references, which a browser shows whatever character set it
// takes the page in. Only the page text changes, never what is stored or sent.

#include <string>
#include <string_view>

namespace nearbeam {

// One name, escaped as escapeHtml does and then as above.
std::string escapeNetworkName(std::string_view name);

// A ", "-joined list of names, each name judged on its own.
std::string escapeNetworkNames(std::string_view list);

} // namespace nearbeam
