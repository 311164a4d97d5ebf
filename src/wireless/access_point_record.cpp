#include "wireless/access_point_record.h"

namespace nearbeam {

std::string bssidHex(const Bssid& bssid) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(12, '0');
    for (size_t i = 0; i < bssid.size(); ++i) {
        text[2 * i] = kDigits[bssid[i] >> 4];
        text[2 * i + 1] = kDigits[bssid[i] & 0x0F];
    }
    return text;
}

} // namespace nearbeam
