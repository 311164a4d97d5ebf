#pragma once
// The peers whose word on the client is taken: load balancers and reverse proxies
// in front of the server. From one of them a request's client is the last address
// of its X-Forwarded-For (or the last for= of Forwarded), the one the proxy itself
// added; from any other peer the forwarding headers are ignored, as anyone can
// write them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

class TrustedProxies {
  public:
    // Adds ADDRESS or ADDRESS/BITS (IPv4 or IPv6); false with a one-line reason.
    bool add(const std::string& rule, std::string& error);
    bool empty() const { return networks_.empty(); }
    bool trusts(const std::string& peer) const;

    // The client of a request from peer with these forwarding headers (empty
    // when absent): the forwarded address when the peer is trusted and the header
    // names one, else the peer.
    std::string client(const std::string& peer, std::string_view forwardedFor,
                       std::string_view forwarded) const;

  private:
    struct Network {
        std::array<uint8_t, 16> bytes; // IPv4 as IPv4-mapped IPv6
        unsigned bits;
    };
    std::vector<Network> networks_;
};

} // namespace nearbeam
