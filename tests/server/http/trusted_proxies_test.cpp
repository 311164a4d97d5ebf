#include "server/http/trusted_proxies.h"

#include "server/http/addresses.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// Who the client is, and what the limits count it as: from trusted peers the
// right-most address of the header that counts that is not a trusted proxy's,
// read over every line of it; from others the peer. IPv4 is IPv4 however it
// comes, IPv6 is counted by its /64.
TEST(TrustedProxies, NameTheClientAndTheKeyItsLimitsCountUnder) {
    TrustedProxies xff, fwd;
    std::string error;
    for (TrustedProxies* proxies : {&xff, &fwd})
        for (const char* rule : {"10.0.0.0/8", "192.168.1.5", "2001:db8:1::/48"})
            ASSERT_TRUE(proxies->add(rule, error)) << error;
    ASSERT_TRUE(fwd.useHeader("forwarded"));
    const struct {
        const TrustedProxies& proxies;
        const char* peer;
        std::vector<std::string_view> lines; // of the header that counts
        const char* client;
        bool malformed;
        const char* key;
    } cases[] = {
        {xff, "10.200.3.4", {"203.0.113.9"}, "203.0.113.9", false, "203.0.113.9"},
        // The client wrote the left one; the proxy appended the one it saw.
        {xff, "10.200.3.4", {"1.1.1.1, 203.0.113.9 "}, "203.0.113.9", false, "203.0.113.9"},
        // Two lines, as a proxy that adds its own: the last line's address counts.
        {xff, "10.200.3.4", {"1.1.1.1", "203.0.113.9"}, "203.0.113.9", false, "203.0.113.9"},
        // A chain of proxies: those trusted are passed over.
        {xff,
         "10.0.0.1",
         {"198.51.100.7, 10.9.9.9", "192.168.1.5"},
         "198.51.100.7",
         false,
         "198.51.100.7"},
        // Every address a trusted proxy's: the first of them.
        {xff, "10.0.0.1", {"10.1.1.1, 10.2.2.2"}, "10.1.1.1", false, "10.1.1.1"},
        // What stands left of the client is not read.
        {xff, "10.0.0.1", {"garbage, 203.0.113.9"}, "203.0.113.9", false, "203.0.113.9"},
        {xff, "::ffff:10.1.1.1", {"::ffff:203.0.113.9"}, "203.0.113.9", false, "203.0.113.9"},
        {xff, "192.168.1.5", {"[2001:db8::7]:4711"}, "2001:db8::7", false, "2001:db8::/64"},
        {xff,
         "10.0.0.1",
         {"2001:db8:aa:bb:1:2:3:4"},
         "2001:db8:aa:bb:1:2:3:4",
         false,
         "2001:db8:aa:bb::/64"},
        {xff, "10.0.0.1", {"203.0.113.9:80"}, "203.0.113.9", false, "203.0.113.9"},
        // Malformed from a trusted peer: the peer itself, and it is said.
        {xff, "10.0.0.1", {"unknown"}, "10.0.0.1", true, "10.0.0.1"},
        {xff, "10.0.0.1", {"203.0.113.9,"}, "10.0.0.1", true, "10.0.0.1"},
        {xff, "10.0.0.1", {""}, "10.0.0.1", true, "10.0.0.1"},
        {xff, "10.0.0.1", {}, "10.0.0.1", false, "10.0.0.1"},
        // Not trusted: the peer, whatever the headers say.
        {xff, "11.0.0.1", {"203.0.113.9"}, "11.0.0.1", false, "11.0.0.1"},
        {xff, "192.168.1.6", {"203.0.113.9"}, "192.168.1.6", false, "192.168.1.6"},
        {xff, "::ffff:11.0.0.1", {"203.0.113.9"}, "11.0.0.1", false, "11.0.0.1"},
        {xff, "2001:db8:2::1", {"203.0.113.9"}, "2001:db8:2::1", false, "2001:db8:2::/64"},
        // Forwarded: its for=, over every element of every line.
        {fwd,
         "2001:db8:1:ffff::1",
         {"for=192.0.2.60;proto=http"},
         "192.0.2.60",
         false,
         "192.0.2.60"},
        {fwd,
         "10.0.0.1",
         {"for=1.2.3.4, For=\"[2001:db8::9]:4711\""},
         "2001:db8::9",
         false,
         "2001:db8::/64"},
        {fwd,
         "10.0.0.1",
         {"for=1.2.3.4", "for=\"192.0.2.8:80\";by=x"},
         "192.0.2.8",
         false,
         "192.0.2.8"},
        {fwd, "10.0.0.1", {"for=1.2.3.4", "by=10.0.0.1"}, "10.0.0.1", true, "10.0.0.1"},
        {fwd, "10.0.0.1", {"for=_hidden"}, "10.0.0.1", true, "10.0.0.1"},
    };
    for (const auto& c : cases) {
        const TrustedProxies::Client client = c.proxies.client(c.peer, c.lines);
        std::string lines;
        for (std::string_view line : c.lines)
            lines += "[" + std::string(line) + "]";
        EXPECT_EQ(client.address, c.client) << c.peer << " " << lines;
        EXPECT_EQ(client.malformed, c.malformed) << c.peer << " " << lines;
        EXPECT_EQ(limitKey(client.address, 64), c.key) << c.peer << " " << lines;
    }
    EXPECT_EQ(limitKey("2001:db8:aa:bb:1:2:3:4", 48), "2001:db8:aa::/48");
    EXPECT_EQ(limitKey("2001:db8:aa:bb:1:2:3:4", 128), "2001:db8:aa:bb:1:2:3:4");
    EXPECT_STREQ(xff.headerName(), "X-Forwarded-For");
    EXPECT_STREQ(fwd.headerName(), "Forwarded");
    EXPECT_FALSE(xff.useHeader("x-real-ip"));
    EXPECT_EQ(urlHost("::"), "[::]");
    EXPECT_EQ(urlHost("0.0.0.0"), "0.0.0.0");

    for (const char* bad :
         {"", "proxy.example", "10.0.0.0/33", "10.0.0.0/", "::1/129", "1.2.3.4/x"})
        EXPECT_FALSE(xff.add(bad, error)) << bad;
    EXPECT_EQ(xff.wideRule(), "");
    // Ranges that would let most of the world name itself.
    for (const char* wide :
         {"0.0.0.0/0", "10.0.0.0/7", "::/0", "2001:db8::/31", "::ffff:0.0.0.0/100"}) {
        TrustedProxies one;
        ASSERT_TRUE(one.add(wide, error)) << wide;
        EXPECT_EQ(one.wideRule(), wide);
    }
    for (const char* narrow : {"10.0.0.0/8", "2001:db8::/32", "::ffff:10.0.0.0/104"}) {
        TrustedProxies one;
        ASSERT_TRUE(one.add(narrow, error)) << narrow;
        EXPECT_EQ(one.wideRule(), "") << narrow;
    }
}

} // namespace
} // namespace nearbeam::test
