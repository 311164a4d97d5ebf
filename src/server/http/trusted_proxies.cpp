#include "server/http/trusted_proxies.h"

#include "server/http/addresses.h"

#include <optional>

namespace nearbeam {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The address of one forwarded element with its port and brackets taken off
// ("192.0.2.8:80", "[2001:db8::9]:4711"); none when it is not an address.
std::optional<std::string> elementAddress(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (!value.empty() && value.front() == '[') { // [IPv6] or [IPv6]:port
        const size_t close = value.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        value = value.substr(1, close - 1);
    } else if (const size_t colon = value.find(':');
               colon != std::string_view::npos && value.find(':', colon + 1) == value.npos) {
        value = value.substr(0, colon); // IPv4:port
    }
    std::string address = plainAddress(value);
    if (address.empty())
        return std::nullopt;
    return address;
}

// The for= of a Forwarded element ("for=192.0.2.60;proto=http"); empty when none.
std::string_view forwardedFor(std::string_view element) {
    while (!element.empty()) {
        const size_t semicolon = element.find(';');
        const std::string_view pair = trimmed(element.substr(0, semicolon));
        if (pair.size() > 4 && (pair[0] == 'f' || pair[0] == 'F') &&
            (pair[1] == 'o' || pair[1] == 'O') && (pair[2] == 'r' || pair[2] == 'R') &&
            pair[3] == '=')
            return pair.substr(4);
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
    // A range of IPv4 addresses, also when written as IPv4-mapped IPv6.
    const bool ipv4 =
        bits >= 96 && plainAddress(rule.substr(0, slash)).find(':') == std::string::npos;
    networks_.push_back({*bytes, bits, ipv4, rule});
    return true;
}

std::string TrustedProxies::wideRule() const {
    for (const Network& network : networks_)
        if (network.ipv4 ? network.bits < 96 + 8 : network.bits < 32)
            return network.rule;
    return {};
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

bool TrustedProxies::useHeader(const std::string& name) {
    if (name != "x-forwarded-for" && name != "forwarded")
        return false;
    header_ = name == "forwarded" ? Header::Forwarded : Header::XForwardedFor;
    return true;
}

const char* TrustedProxies::headerName() const {
    return header_ == Header::Forwarded ? "Forwarded" : "X-Forwarded-For";
}

TrustedProxies::Client TrustedProxies::client(const std::string& peer,
                                              const std::vector<std::string_view>& lines) const {
    if (networks_.empty())
        return {peer, false}; // the listener wrote it plain; nothing to read on every request
    std::string self = plainAddress(peer);
    if (self.empty())
        self = peer;
    if (lines.empty() || !trusts(peer))
        return {self, false};
    // The elements of every line in order, as one list.
    std::vector<std::string_view> elements;
    for (std::string_view line : lines) {
        for (;;) {
            const size_t comma = line.find(',');
            elements.push_back(trimmed(line.substr(0, comma)));
            if (comma == std::string_view::npos)
                break;
            line.remove_prefix(comma + 1);
        }
    }
    std::string client;
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        const auto address = elementAddress(header_ == Header::Forwarded ? forwardedFor(*it) : *it);
        if (!address)
            return {self, true};
        client = *address;
        if (!trusts(client))
            break;
    }
    // Every address a trusted proxy's: the first of them sent the request.
    return {client, false};
}

} // namespace nearbeam
