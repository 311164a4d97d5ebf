#include "server/http/addresses.h"

#include <boost/asio/ip/address.hpp>

namespace nearbeam {
namespace {

namespace ip = boost::asio::ip;

bool mappedIpv4(const std::array<uint8_t, 16>& bytes) {
    for (int i = 0; i < 10; ++i)
        if (bytes[i] != 0)
            return false;
    return bytes[10] == 0xff && bytes[11] == 0xff;
}

std::string textOf(const std::array<uint8_t, 16>& bytes) {
    const ip::address_v6 v6(bytes);
    return mappedIpv4(bytes) ? ip::make_address_v4(ip::v4_mapped, v6).to_string() : v6.to_string();
}

} // namespace

std::optional<std::array<uint8_t, 16>> addressBytes(std::string_view text) {
    boost::system::error_code ec;
    const ip::address address = ip::make_address(std::string(text), ec);
    if (ec)
        return std::nullopt;
    if (address.is_v4())
        return ip::make_address_v6(ip::v4_mapped, address.to_v4()).to_bytes();
    return address.to_v6().to_bytes();
}

std::string plainAddress(std::string_view text) {
    const auto bytes = addressBytes(text);
    return bytes ? textOf(*bytes) : std::string();
}

std::string limitKey(const std::string& address, unsigned prefixBits) {
    if (address.find(':') == std::string::npos)
        return address; // IPv4, as plainAddress writes it: counted whole
    auto bytes = addressBytes(address);
    if (!bytes)
        return address;
    if (mappedIpv4(*bytes) || prefixBits >= 128)
        return textOf(*bytes);
    for (unsigned bit = prefixBits; bit < 128; ++bit)
        (*bytes)[bit / 8] &= static_cast<uint8_t>(~(0x80u >> (bit % 8)));
    return textOf(*bytes) + "/" + std::to_string(prefixBits);
}

std::string urlHost(const std::string& address) {
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

} // namespace nearbeam
