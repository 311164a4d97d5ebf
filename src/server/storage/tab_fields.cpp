#include "server/storage/tab_fields.h"

namespace nearbeam {

std::vector<std::string> tabFields(const std::string& text, size_t count) {
    std::vector<std::string> out;
    size_t start = 0;
    while (out.size() + 1 < count) {
        const size_t tab = text.find('\t', start);
        if (tab == std::string::npos)
            return {};
        out.push_back(text.substr(start, tab - start));
        start = tab + 1;
    }
    out.push_back(text.substr(start));
    return out;
}

std::optional<uint64_t> wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 19)
        return std::nullopt;
    uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n;
}

} // namespace nearbeam
