#include "ui/network_name.h"

#include "base/text.h"
#include "ui/html_escape.h"

namespace nearbeam {

std::string escapeNetworkName(std::string_view name) {
    // escapeHtml writes UTF-8, whatever the name was.
    const std::string escaped = escapeHtml(name);
    std::string out;
    out.reserve(escaped.size());
    for (size_t i = 0; i < escaped.size();) {
        const std::optional<Utf8Char> ch = utf8CharAt(escaped, i);
        if (!ch)
            return escaped;
        if (ch->length == 1)
            out += escaped[i];
        else
            out += "&#" + std::to_string(ch->codePoint) + ";";
        i += ch->length;
    }
    return out;
}

std::string escapeNetworkNames(std::string_view list) {
    // No UTF-8 sequence holds ", ", so cutting there never splits a character.
    static constexpr std::string_view kSeparator = ", ";
    std::string out;
    for (size_t start = 0;;) {
        const size_t end = list.find(kSeparator, start);
        out += escapeNetworkName(list.substr(start, end - start));
        if (end == std::string_view::npos)
            return out;
        out += kSeparator;
        start = end + kSeparator.size();
    }
}

} // namespace nearbeam
