#include "ui/sharing_page.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(SharingPage, ShowsTimeHostAndWhatWasSentEscaped) {
    const std::string page =
        buildSharingPage({{"2026-12-08T04:30:00Z", "https://svc.example:8443/at?b=<Hall>&c='x'"}});
    EXPECT_NE(
        page.find("<tr><td>2026-12-08T04:30:00Z</td><td>svc.example:8443</td>"
                  "<td>https://svc.example:8443/at?b=&lt;Hall&gt;&amp;c=&#39;x&#39;</td></tr>"),
        std::string::npos)
        << page;
    EXPECT_NE(buildSharingPage({}).find("Nothing has been shared."), std::string::npos);
}

} // namespace
} // namespace nearbeam::test
