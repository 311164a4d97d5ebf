#include "server/map_redirect.h"

#include <cstdio>

namespace nearbeam {

namespace {

// Letters, digits and - . _ ~ as they are; every other byte as %XX.
std::string percentEncode(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        }
    }
    return out;
}

} // namespace

std::string mapSearchAddress(const std::string& address, const std::string& city,
                             const std::string& province, const std::string& country) {
    std::string query;
    for (const std::string* part : {&address, &city, &province, &country}) {
        if (part->empty())
            continue;
        if (!query.empty())
            query += ", ";
        query += *part;
    }
    return "https://www.openstreetmap.org/search?query=" + percentEncode(query);
}

} // namespace nearbeam
