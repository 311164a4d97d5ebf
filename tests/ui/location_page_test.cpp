#include "ui/location_page.h"

#include "records/database_fixture.h"

#include <string>

namespace nearbeam::test {
namespace {

// Every page the program writes says its kind and its texts' character set.
constexpr const char* kHead = "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" "
                              "content=\"text/html; charset=utf-8\"><style>body { margin: 15px; "
                              "font: 9pt Verdana,sans-serif; }</style></head><body>";
constexpr const char* kRule = "<br/><hr style='color:white; border-top: 1px solid gray;' /><br/>";

class LocationPage : public LocationDatabaseFixture {
  protected:
    LocationPage() {
        dir.write("country.txt", "1\tExamplia\t0\r\n");
        dir.write("province.txt", "2\t1\tNorth\t0\r\n");
        dir.write("city.txt", "3\t2\tRivertown\t0\r\n");
        dir.write("network.txt", "9\tCampus\t0\r\n");
    }
    std::string page(const char* digits) {
        return buildLocationPage(*db.locations().find(key(digits)), db.services(),
                                 "locate.nearbeam.net");
    }
};

TEST_F(LocationPage, APlaceWithoutAreaAddressOrServices) {
    dir.write("building.txt", "4\t0\t3\tMain Hall\t\t0\r\n");
    dir.write("ap.txt", "001122334455\t4\t9\t3\tRoom 5\t0\r\n");
    EXPECT_EQ(
        page("001122334455"),
        std::string(kHead) +
            "<b>Rivertown, North, Examplia</b><br/><br/><b>Main Hall, 3rd "
            "floor</b><br/><br/><b>Room 5</b><br/><br/><hr style='color:white; border-top: 1px "
            "solid gray;' /><br/>Network: Campus<br/><br/>Other services: </body></html>");
}

TEST_F(LocationPage, EveryLevelWithItsServicesAndTheMapLink) {
    dir.write("area.txt", "5\t3\tOld Town\t0\r\n");
    dir.write("building.txt", "4\t5\t3\tMain Hall\t1 Elm St\t0\r\n");
    dir.write("ap.txt", "001122334455\t4\t9\tBsmt\t\t0\r\n");
    dir.write("services.txt", "20\t3\t4\thttp://w.example/?c={city}\tWeather\t0\n"
                              "21\t1\t2\thttp://t.example/\tTourism\t0\n"
                              "22\t5\t5\thttp://a.example/\tOld Town guide\t0\n"
                              "23\t4\t6\thttp://m.example/{bssid}\tMenu\t0\n"
                              "24\t9\t1\thttp://n.example/\tHelp desk\t0\n"
                              "25\t0\t0\thttp://e.example/\tNews\t0\n"
                              "26\t0\t0\tmailto:x@example.org\tMail us\t0\n");
    EXPECT_EQ(page("001122334455"),
              std::string(kHead) +
                  "<b>Rivertown, North, Examplia</b><br/>"
                  "<a href=\"http://t.example/\" target=\"_blank\">Tourism</a>, "
                  "<a href=\"http://w.example/?c=Rivertown\" target=\"_blank\"><i>Weather</i></a>"
                  "<br/><br/>"
                  "<b>Old Town</b><br/><a href=\"http://a.example/\" target=\"_blank\">Old Town "
                  "guide</a><br/><br/>"
                  "<b>Main Hall, Bsmt</b><br/>"
                  "<a href=\"http://locate.nearbeam.net/services/mapredirect/?country=Examplia&amp;"
                  "province=North&amp;city=Rivertown&amp;addr=1+Elm+St\" target=\"_blank\">1 Elm "
                  "St</a>, <a href=\"http://m.example/001122334455\" target=\"_blank\"><i>Menu</i>"
                  "</a><br/><br/>" +
                  kRule +
                  "Network: Campus<br/><a href=\"http://n.example/\" target=\"_blank\">Help "
                  "desk</a><br/><br/>"
                  "Other services: <a href=\"http://e.example/\" target=\"_blank\">News</a>, "
                  "<a href=\"mailto:x@example.org\" target=\"_blank\">Mail us</a></body></html>");
}

TEST_F(LocationPage, ABuildingServiceWithoutMapLinkStartsItsLine) {
    dir.write("building.txt", "4\t0\t3\tMain Hall\t\t0\r\n");
    dir.write("ap.txt", "001122334455\t4\t0\t\t\t0\r\n");
    dir.write("services.txt", "23\t4\t6\thttp://m.example/\tMenu\t0\n");
    const std::string text = page("001122334455");
    EXPECT_NE(text.find("<b>Main Hall</b><br/><a href=\"http://m.example/\" "
                        "target=\"_blank\">Menu</a><br/><br/>" +
                        std::string(kRule) + "Other services: </body>"),
              std::string::npos)
        << text;
}

// Names come from the server and from anyone who sets a place: they show as typed.
TEST_F(LocationPage, DatabaseTextsAndLinksAreEscaped) {
    dir.write("city.txt", "3\t2\tA&B <i>\t0\r\n");
    dir.write("network.txt", "9\t<script>x</script>\t0\r\n");
    dir.write("building.txt", "4\t0\t3\tO'Hare \"T\"\t<1 & 2>\t0\r\n");
    dir.write("ap.txt", "001122334455\t4\t9\t2\t<img src=x onerror=alert(1)>\t0\r\n");
    dir.write("services.txt",
              "25\t0\t0\thttp://e.example/?a=1&b=\"x\" onmouseover='y'\t<b>Bold</b>\t0\n");
    EXPECT_EQ(page("001122334455"),
              std::string(kHead) +
                  "<b>A&amp;B &lt;i&gt;, North, Examplia</b><br/><br/>"
                  "<b>O&#39;Hare &quot;T&quot;, 2nd floor</b><br/>"
                  "<a href=\"http://locate.nearbeam.net/services/mapredirect/?country=Examplia&amp;"
                  "province=North&amp;city=A%26B+&lt;i&gt;&amp;addr=&lt;1+%26+2&gt;\" "
                  "target=\"_blank\">&lt;1 &amp; 2&gt;</a><br/><br/>"
                  "<b>&lt;img src=x onerror=alert(1)&gt;</b><br/>" +
                  kRule +
                  "Network: &lt;script&gt;x&lt;/script&gt;<br/><br/>"
                  "Other services: <a href=\"http://e.example/?a=1&amp;b=&quot;x&quot; "
                  "onmouseover=&#39;y&#39;\" target=\"_blank\">&lt;b&gt;Bold&lt;/b&gt;</a>"
                  "</body></html>");
}

} // namespace
} // namespace nearbeam::test

namespace nearbeam::test {
namespace {

// The building's line links to its survey coverage, after its other links; only
// that link names a building.
TEST_F(LocationPage, TheBuildingLinksToItsSurveyCoverage) {
    dir.write("building.txt", "4\t0\t3\tMain Hall\t\t0\r\n");
    dir.write("ap.txt", "001122334455\t4\t0\t\t\t0\r\n");
    dir.write("services.txt", "23\t4\t6\thttp://m.example/\tMenu\t0\n");
    const std::string text = buildLocationPage(*db.locations().find(key("001122334455")),
                                               db.services(), "locate.nearbeam.net", true);
    EXPECT_NE(text.find("<b>Main Hall</b><br/><a href=\"http://m.example/\" "
                        "target=\"_blank\">Menu</a>, <a href=\"nearbeam:coverage?building=4\">"
                        "Survey coverage</a><br/><br/>"),
              std::string::npos)
        << text;

    const struct {
        const char* url;
        std::optional<uint32_t> building;
    } links[] = {
        {"nearbeam:coverage?building=4", 4},
        {"nearbeam:coverage?building=4294967295", 4294967295u},
        {"nearbeam:coverage?building=4294967296", std::nullopt},
        {"nearbeam:coverage?building=0", std::nullopt},
        {"nearbeam:coverage?building=", std::nullopt},
        {"nearbeam:coverage?building=4&x=1", std::nullopt},
        {"http://m.example/?nearbeam:coverage?building=4", std::nullopt},
    };
    for (const auto& link : links)
        EXPECT_EQ(coverageLinkBuilding(link.url), link.building) << link.url;
}

} // namespace
} // namespace nearbeam::test
