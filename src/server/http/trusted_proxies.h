#pragma once
// The peers whose word on the client is taken: load balancers and reverse proxies
// in front of the server. Each proxy appends the address it got the request from
// to one forwarding header (X-Forwarded-For, or Forwarded's for=), so read from
// the right, the first address that is not a trusted proxy's is the client; what
// stands left of it the client wrote itself. From any other peer the headers are
// ignored, as anyone can write them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

class TrustedProxies {
  public:
    enum class Header { XForwardedFor, Forwarded };

    // Adds ADDRESS or ADDRESS/BITS (IPv4 or IPv6); false with a one-line reason.
    bool add(const std::string& rule, std::string& error);
    // The first rule wider than an IPv4 /8 or an IPv6 /32, which would let a
    // great part of the world name its own address; empty when none is.
    std::string wideRule() const;
    bool empty() const { return networks_.empty(); }
    bool trusts(const std::string& peer) const;

    // The header that counts ("x-forwarded-for" or "forwarded"); the other is
    // ignored. False for any other name.
    bool useHeader(const std::string& name);
    // Its name, as a request's fields are looked up.
    const char* headerName() const;

    struct Client {
        std::string address;    // as plainAddress writes it
        bool malformed = false; // the header could not be read: the peer counts
    };
    // The client of a request from peer, given every line of the header that
    // counts, in order (none: the header is absent).
    Client client(const std::string& peer, const std::vector<std::string_view>& lines) const;

  private:
    struct Network {
        std::array<uint8_t, 16> bytes; // IPv4 as IPv4-mapped IPv6
        unsigned bits;
        bool ipv4; // a range of IPv4 addresses
        std::string rule;
    };
    std::vector<Network> networks_;
    Header header_ = Header::XForwardedFor;
};

} // namespace nearbeam
