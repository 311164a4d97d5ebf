#include "wireless/opt_out.h"

#include <algorithm>
#include <string>

namespace nearbeam {

bool asksNotToBeMapped(std::string_view ssid) {
    if (ssid.find_first_not_of('\0') == std::string_view::npos)
        return true;
    std::string lower(ssid);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    const std::string_view name(lower);
    return name.find("_optout") != std::string_view::npos ||
           (name.size() >= 6 && name.substr(name.size() - 6) == "_nomap");
}

} // namespace nearbeam
