#include "server/map_redirect.h"

#include "base/percent_encoding.h"

namespace nearbeam {

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
    return "https://www.openstreetmap.org/search?query=" + percentEncode(query, unreservedByte);
}

} // namespace nearbeam
