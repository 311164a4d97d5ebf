#include "server/web/json_text.h"

namespace nearbeam {

std::string jsonString(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7f || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' ||
            c == '\'') {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace nearbeam
