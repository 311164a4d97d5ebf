#include "server/http/trusted_proxies.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(TrustedProxies, TakeTheLastForwardedAddressFromTrustedPeersOnly) {
    TrustedProxies proxies;
    std::string error;
    for (const char* rule : {"10.0.0.0/8", "192.168.1.5", "2001:db8:1::/48"})
        ASSERT_TRUE(proxies.add(rule, error)) << error;
    const struct {
        const char* peer;
        const char* forwardedFor;
        const char* forwarded;
        const char* client;
    } cases[] = {
        {"10.200.3.4", "203.0.113.9", "", "203.0.113.9"},
        {"10.200.3.4", "1.1.1.1, 203.0.113.9 ", "", "203.0.113.9"}, // the proxy's own entry
        {"::ffff:10.1.1.1", "203.0.113.9", "", "203.0.113.9"},      // IPv4 as IPv6
        {"192.168.1.5", "2001:db8::7", "", "2001:db8::7"},
        {"2001:db8:1:ffff::1", "", "for=192.0.2.60;proto=http", "192.0.2.60"},
        {"10.0.0.1", "", "for=1.2.3.4, For=\"[2001:db8::9]:4711\"", "2001:db8::9"},
        {"10.0.0.1", "", "for=\"192.0.2.8:80\";by=x", "192.0.2.8"},
        {"10.0.0.1", "unknown", "", "10.0.0.1"}, // not an address: the peer
        {"10.0.0.1", "", "", "10.0.0.1"},
        {"11.0.0.1", "203.0.113.9", "for=203.0.113.9", "11.0.0.1"}, // not trusted
        {"192.168.1.6", "203.0.113.9", "", "192.168.1.6"},
        {"2001:db8:2::1", "203.0.113.9", "", "2001:db8:2::1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(proxies.client(c.peer, c.forwardedFor, c.forwarded), c.client)
            << c.peer << " " << c.forwardedFor << c.forwarded;
    for (const char* bad :
         {"", "proxy.example", "10.0.0.0/33", "10.0.0.0/", "::1/129", "1.2.3.4/x"})
        EXPECT_FALSE(proxies.add(bad, error)) << bad;
}

} // namespace
} // namespace nearbeam::test
