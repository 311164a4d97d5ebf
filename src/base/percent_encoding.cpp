#include "base/percent_encoding.h"

namespace nearbeam {

bool unreservedByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool visibleByte(unsigned char c) {
    return c > 0x20 && c < 0x7f;
}

void appendPercentEncoded(std::string& out, std::string_view text, KeepByte keep,
                          bool spaceAsPlus) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (spaceAsPlus && c == ' ') {
            out += '+';
        } else if (keep(c)) {
            out += byte;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

std::string percentEncode(std::string_view text, KeepByte keep, bool spaceAsPlus) {
    std::string out;
    out.reserve(text.size());
    appendPercentEncoded(out, text, keep, spaceAsPlus);
    return out;
}

} // namespace nearbeam
