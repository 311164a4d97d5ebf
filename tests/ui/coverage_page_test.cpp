#include "ui/coverage_page.h"

#include "records/database_fixture.h"

namespace nearbeam::test {
namespace {

constexpr std::time_t kNow = 1796721300; // 2026-12-08T09:15:00Z

class CoveragePageTest : public LocationDatabaseFixture {
  protected:
    CoveragePageTest() {
        dir.write("building.txt", "31\t0\t40\tLibrary\tMain St 1\t0\r\n"
                                  "32\t0\t40\tA&B <Hall>\t\t3\r\n");
    }
    static std::string scan(const std::string& head, const std::string& time) {
        return head + "\t" + time + "\t02a0c0000025:-91\t001aff09b07c:-60\r\n";
    }
};

// Floors with their counts and bars (numbered first), locations with their
// counts and newest times; too few or only old scans are marked; names escaped;
// damaged lines and unknown buildings passed over.
TEST_F(CoveragePageTest, ListsFloorsAndLocationsAndMarksWhatNeedsScans) {
    dir.write("scans.txt", scan("31\t10\tStacks\t0", "2026-11-01T08:00:00Z") +
                               scan("31\t2\tMap room\t3", "2026-12-01T10:00:00Z") +
                               scan("31\t2\tMap room\t0", "2026-12-08T09:00:00Z") +
                               scan("31\t2\tMap room\t0", "2026-10-02T09:00:00Z") +
                               scan("31\t2\tDesk\t0", "2025-12-08T09:14:59Z") +
                               scan("31\t2\tDesk\t0", "2025-11-08T09:14:59Z") +
                               scan("31\t2\tDesk\t0", "2025-10-08T09:14:59Z") +
                               scan("31\t\t\t0", "2026-12-08T09:00:00Z") +
                               scan("32\t1\t<i>Lab</i>\t3", "2026-12-08T09:00:00Z") +
                               scan("99\t1\tNowhere\t0", "2026-12-08T09:00:00Z") +
                               "31\t2\tDesk\t0\t2026-12-08T09:00:00Z\tnot-an-ap\r\n");
    const std::string expected =
        "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=utf-8\"><style>body { margin: 15px; font: 9pt Verdana,sans-serif; } "
        "td { padding: 2px 8px 2px 0; vertical-align: top; } .needs { color: #b00000; }</style>"
        "</head><body><b>Survey coverage</b><br/><br/>"
        "<b>A&amp;B &lt;Hall&gt;</b> (1 scans)<br/><table>"
        "<tr><td><b>1st floor</b></td><td>1</td><td colspan='2'><img width='100' height='8' "
        "src='bar-blue.png' /></td></tr>"
        "<tr class='needs'><td>&nbsp;&nbsp;&lt;i&gt;Lab&lt;/i&gt;</td><td>1</td>"
        "<td nowrap>2026-12-08T09:00:00Z</td><td>fewer than 3 scans</td></tr>"
        "</table><br/>"
        "<b>Library</b> (8 scans)<br/><table>"
        "<tr><td><b>2nd floor</b></td><td>6</td><td colspan='2'><img width='100' height='8' "
        "src='bar-blue.png' /></td></tr>"
        "<tr class='needs'><td>&nbsp;&nbsp;Desk</td><td>3</td><td nowrap>2025-12-08T09:14:59Z</td>"
        "<td>newest over a year old</td></tr>"
        "<tr><td>&nbsp;&nbsp;Map room</td><td>3</td><td nowrap>2026-12-08T09:00:00Z</td>"
        "<td></td></tr>"
        "<tr><td><b>10th floor</b></td><td>1</td><td colspan='2'><img width='16' height='8' "
        "src='bar-blue.png' /></td></tr>"
        "<tr class='needs'><td>&nbsp;&nbsp;Stacks</td><td>1</td><td "
        "nowrap>2026-11-01T08:00:00Z</td>"
        "<td>fewer than 3 scans</td></tr>"
        "<tr><td><b>(no floor)</b></td><td>1</td><td colspan='2'><img width='16' height='8' "
        "src='bar-blue.png' /></td></tr>"
        "<tr class='needs'><td>&nbsp;&nbsp;(whole floor)</td><td>1</td>"
        "<td nowrap>2026-12-08T09:00:00Z</td><td>fewer than 3 scans</td></tr>"
        "</table><br/></body></html>";
    EXPECT_EQ(buildCoveragePage(surveyCoverage(db), kNow), expected);

    // One building alone, as its page's link asks.
    const auto library = surveyCoverage(db, 31);
    ASSERT_EQ(library.size(), 1u);
    EXPECT_EQ(library[0].name, "Library");
    EXPECT_EQ(library[0].scans, 8);
}

TEST_F(CoveragePageTest, SaysSoWhenThereAreNoScans) {
    EXPECT_NE(buildCoveragePage(surveyCoverage(db), kNow).find("No survey scans yet."),
              std::string::npos);
}

} // namespace
} // namespace nearbeam::test
