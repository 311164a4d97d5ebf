#include "ui/sharing_page.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(SharingPage, ShowsTimeHostAndWhatWasSentEscaped) {
    const std::string page = buildSharingPage({{"T", "https://s&t:8443/?b=<x>"}});
    EXPECT_NE(
        page.find(
            "<tr><td nowrap>T</td><td nowrap>s&amp;t:8443</td><td>https://s&amp;t:8443/?b=&lt;x&gt;"
            "</td></tr>"),
        std::string::npos)
        << page;
}

} // namespace
} // namespace nearbeam::test
