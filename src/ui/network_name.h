#pragma once
// Network names from the air on their way into a page. Most phones and routers
// name networks in UTF-8, while a page is read in the system's 8-bit code page:
// a name that is valid UTF-8 is written with its characters outside ASCII as
// numeric character references, which the browser shows whatever the page's code
// page. ASCII names and names in an 8-bit code page keep their bytes, so a page
// without such a name does not change. Only the page text changes, never what is
// stored or sent.

#include <string>
#include <string_view>

namespace nearbeam {

// One name, escaped as escapeHtml does and then as above.
std::string escapeNetworkName(std::string_view name);

// A ", "-joined list of names, each name judged on its own.
std::string escapeNetworkNames(std::string_view list);

} // namespace nearbeam
