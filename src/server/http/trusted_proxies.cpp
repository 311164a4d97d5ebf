#include "server/http/trusted_proxies.h"

#include <boost/asio/ip/address.hpp>

#include <optional>

namespace nearbeam {
namespace {

// An address as 16 bytes, IPv4 mapped into IPv6 (so "::ffff:10.0.0.1" and
// "10.0.0.1" are one peer); none when it is not an address.
std::optional<std::array<uint8_t, 16>> addressBytes(std::string_view text) {
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(std::string(text), ec);
    if (ec)
        return std::nullopt;
    if (address.is_v4())
        return boost::asio::ip::make_address_v6(boost::asio::ip::v4_mapped, address.to_v4())
            .to_bytes();
    return address.to_v6().to_bytes();
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The last element of a comma-separated list.
std::string_view lastOf(std::string_view list) {
    const size_t comma = list.rfind(',');
    return trimmed(comma == std::string_view::npos ? list : list.substr(comma + 1));
}

// The address of a Forwarded element's for= ("for=192.0.2.1", "for=\"[2001:db8::1]:80\"").
std::string_view forwardedFor(std::string_view element) {
    while (!element.empty()) {
        const size_t semicolon = element.find(';');
        std::string_view pair = trimmed(element.substr(0, semicolon));
        if (pair.size() > 4 && (pair[0] == 'f' || pair[0] == 'F') &&
            (pair[1] == 'o' || pair[1] == 'O') && (pair[2] == 'r' || pair[2] == 'R') &&
            pair[3] == '=') {
            std::string_view value = pair.substr(4);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (!value.empty() && value.front() == '[') // [IPv6]:port
                return value.substr(1, value.find(']') - 1);
            const size_t colon = value.find(':');
            if (colon != std::string_view::npos && value.find(':', colon + 1) == value.npos)
                value = value.substr(0, colon); // IPv4:port
            return value;
        }
        if (semicolon == std::string_view::npos)
            break;
        element.remove_prefix(semicolon + 1);
    }
    return {};
}

} // namespace

bool TrustedProxies::add(const std::string& rule, std::string& error) {
    const size_t slash = rule.find('/');
    const auto bytes = addressBytes(std::string_view(rule).substr(0, slash));
    if (!bytes) {
        error = "--trusted-proxy wants ADDRESS or ADDRESS/BITS, not \"" + rule + "\"";
        return false;
    }
    const bool v4 = rule.find(':') == std::string::npos;
    unsigned bits = 128;
    if (slash != std::string::npos) {
        const std::string count = rule.substr(slash + 1);
        const unsigned most = v4 ? 32 : 128;
        if (count.empty() || count.size() > 3 ||
            count.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(count) > most) {
            error = "--trusted-proxy: the bits after / go from 0 to " + std::to_string(most) +
                    ", not \"" + count + "\"";
            return false;
        }
        bits = static_cast<unsigned>(std::stoul(count)) + (v4 ? 96 : 0);
    }
    networks_.push_back({*bytes, bits});
    return true;
}

bool TrustedProxies::trusts(const std::string& peer) const {
    if (networks_.empty())
        return false;
    const auto bytes = addressBytes(peer);
    if (!bytes)
        return false;
    for (const Network& network : networks_) {
        unsigned bit = 0;
        for (; bit < network.bits; ++bit) {
            const uint8_t mask = static_cast<uint8_t>(0x80u >> (bit % 8));
            if (((*bytes)[bit / 8] ^ network.bytes[bit / 8]) & mask)
                break;
        }
        if (bit == network.bits)
            return true;
    }
    return false;
}

std::string TrustedProxies::client(const std::string& peer, std::string_view forwardedForList,
                                   std::string_view forwarded) const {
    if (!trusts(peer))
        return peer;
    std::string_view named = lastOf(forwardedForList);
    if (named.empty())
        named = forwardedFor(lastOf(forwarded));
    if (named.empty() || !addressBytes(named))
        return peer;
    return std::string(named);
}

} // namespace nearbeam
