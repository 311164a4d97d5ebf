#pragma once
// The key of an access point: its six-byte hardware address as 12 lower-case
// hexadecimal digits without separators, stored by value with a terminator.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nearbeam {

struct BssidKey {
    static constexpr size_t kLength = 12;

    // Always 12 digits and a zero byte once formed; all zero bytes (empty) when
    // default-made.
    std::array<char, kLength + 1> digits{};

    // "%02x" for each of the six bytes, in address order.
    static BssidKey fromBytes(const uint8_t bytes[6]);
    // 12 hexadecimal digits (either case; stored lower-case). None for anything else.
    static std::optional<BssidKey> fromText(std::string_view text);

    const char* c_str() const { return digits.data(); }
    std::string_view view() const { return std::string_view(digits.data(), length()); }
    std::string str() const { return std::string(view()); }
    bool empty() const { return digits[0] == '\0'; }
    size_t length() const;

    // Byte-wise order, as strings.
    friend bool operator<(const BssidKey& a, const BssidKey& b) { return a.view() < b.view(); }
    friend bool operator==(const BssidKey& a, const BssidKey& b) { return a.view() == b.view(); }
    friend bool operator!=(const BssidKey& a, const BssidKey& b) { return !(a == b); }
};

} // namespace nearbeam
