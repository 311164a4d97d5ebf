#pragma once
// Client addresses as the server shows and counts them. An IPv4 client of a
// server listening on "::" arrives as "::ffff:10.7.7.7": it is 10.7.7.7 in the
// log and the limits. One IPv6 host usually holds a whole /64, so limits count
// IPv6 by its prefix, or each of its 2^64 addresses would have a budget of its own.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nearbeam {

// An address as 16 bytes, IPv4 mapped into IPv6; none when it is not an address.
std::optional<std::array<uint8_t, 16>> addressBytes(std::string_view text);

// The address as shown: IPv4 (also an IPv4-mapped IPv6) dotted, IPv6 in Asio's
// short form; empty when it is not an address.
std::string plainAddress(std::string_view text);

// The key the limits count an address under: IPv4 whole, IPv6 by its first
// prefixBits bits ("2001:db8:1:2::/64"). The text as given when not an address.
std::string limitKey(const std::string& address, unsigned prefixBits);

// The address as a URL names a host: IPv6 in brackets ("[::1]").
std::string urlHost(const std::string& address);

} // namespace nearbeam
