#include "ui/sharing_page.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

const std::string kHead =
    "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=utf-8\"><style>body { margin: 15px; font: 9pt Verdana,sans-serif; } table { width: "
    "100%; table-layout: fixed; border-collapse: collapse; } th { text-align: left; } td { "
    "padding: 2px 8px 2px 0; vertical-align: top; } td.sent { word-wrap: break-word; "
    "overflow-wrap: anywhere; word-break: break-all; }</style></head><body><b>What Nearbeam told "
    "your services</b><br/><br/>";

// A clock one hour east of UTC, whatever the machine's zone.
std::string inCet(std::time_t when) {
    return "+1h " + std::to_string(when + 3600);
}

// The local time shows, the stored UTC time is its tooltip; the address sent
// wraps; a time that cannot be read shows as it is.
TEST(SharingPage, LocalTimesWithTheStoredTimeAsTooltipAndTheAddressWrapping) {
    const std::string page = buildSharingPage(
        {{"2026-12-08T09:15:00Z", "https://s&t:8443/?b=<x>"}, {"T", "http://a/"}}, inCet);
    EXPECT_EQ(page, kHead +
                        "<table><col style=\"width: 11em\"><col style=\"width: 25%\"><col>"
                        "<tr><th>Time</th><th>Service</th><th>What was sent</th></tr>"
                        "<tr><td nowrap title=\"2026-12-08T09:15:00Z\">+1h 1796724900</td>"
                        "<td nowrap>s&amp;t:8443</td><td class=\"sent\">https://s&amp;t:8443/"
                        "?b=&lt;x&gt;</td></tr>"
                        "<tr><td nowrap>T</td><td nowrap>a</td><td class=\"sent\">http://a/</td>"
                        "</tr></table></body></html>");
    EXPECT_EQ(buildSharingPage({}, inCet), kHead + "Nothing has been shared.</body></html>");
}

} // namespace
} // namespace nearbeam::test
