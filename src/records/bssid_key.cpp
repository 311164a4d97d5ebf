#include "records/bssid_key.h"

#include "base/hex_digits.h"
#include "base/text.h"

namespace nearbeam {

namespace {
const char kHex[] = "0123456789abcdef";

} // namespace

BssidKey BssidKey::fromBytes(const uint8_t bytes[6]) {
    BssidKey key;
    for (int i = 0; i < 6; ++i) {
        key.digits[2 * i] = kHex[bytes[i] >> 4];
        key.digits[2 * i + 1] = kHex[bytes[i] & 0x0f];
    }
    key.digits[kLength] = '\0';
    return key;
}

std::optional<BssidKey> BssidKey::fromText(std::string_view text) {
    if (text.size() != kLength)
        return std::nullopt;
    BssidKey key;
    for (size_t i = 0; i < kLength; ++i) {
        int v = hexDigitValue(text[i]);
        if (v < 0)
            return std::nullopt;
        key.digits[i] = kHex[v];
    }
    return key;
}

size_t BssidKey::length() const {
    size_t n = 0;
    while (n < kLength && digits[n] != '\0')
        ++n;
    return n;
}

} // namespace nearbeam
