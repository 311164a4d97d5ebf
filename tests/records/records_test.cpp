#include "database_fixture.h"

#include <string>
#include <utility>
#include <vector>

namespace nearbeam::test {
namespace {

TEST(PlaceText, FloorTexts) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "1st floor"},
        {"2", "2nd floor"},
        {"3", "3rd floor"},
        {"4", "4th floor"},
        {"0", "0th floor"},
        {"11", "11th floor"},
        {"12", "12th floor"},
        {"13", "13th floor"},
        {"21", "21st floor"},
        {"22", "22nd floor"},
        {"111", "111st floor"},
        {"01", "01st floor"},
        {"", ""},
        {"Bsmt", "Bsmt"},
        {"2b", "2b"},
        {"3A", "3A"},
        {"Ground", "Ground"},
        {"-1", "-1"},
    };
    for (const auto& [floor, text] : cases)
        EXPECT_EQ(floorText(floor), text) << floor;
}

// A name goes into a link as UTF-8, percent-encoded whatever its file held (a
// name of an older file in Windows-1252 too); a '%' of the name is its own.
TEST(PlaceText, UrlEncodeEscapesItsSetAndEveryByteOutsideAscii) {
    EXPECT_EQ(urlEncode("a b&c=d?e#f\"g'h+i%j/k"), "a+b%26c%3Dd%3Fe%23f%22g%27h%2Bi%25j/k");
    EXPECT_EQ(urlEncode("\xc3\xa6\xc3\xb8\xc3\xa5"), "%C3%A6%C3%B8%C3%A5");
    EXPECT_EQ(urlEncode("\xe6\xf8\xe5"), "%C3%A6%C3%B8%C3%A5");
    EXPECT_EQ(urlEncode(""), "");
}

class DatabasePlace : public LocationDatabaseFixture {
  protected:
    DatabasePlace() {
        dir.write("country.txt", "7\tNorway\t0\r\n");
        dir.write("province.txt", "12\t7\tVestland\t0\r\n");
        dir.write("city.txt", "40\t12\tSaint John's\t0\r\n");
        dir.write("area.txt", "5\t40\tCampus\t0\r\n");
        dir.write("building.txt", "42\t5\t40\tMain Library\t1 High St\t0\r\n"
                                  "43\t0\t40\tGym\t\t0\r\n");
        dir.write("network.txt", "3\tcampus-net\t0\r\n");
        dir.write("ap.txt", "001122334455\t42\t3\t3\tRoom 1&2\t0\r\n"
                            "aabbccddeeff\t0\t0\tBsmt\t\t0\r\n"
                            "0a0b0c0d0e0f\t43\t0\t\t\t0\r\n");
    }
    LocationRecord& at(const char* digits) { return *db.locations().find(key(digits)); }
};

TEST_F(DatabasePlace, NamesAtEveryLevel) {
    LocationRecord& r = at("001122334455");
    EXPECT_EQ(r.countryName(), "Norway");
    EXPECT_TRUE(r.resolved);
    EXPECT_EQ(r.provinceName(), "Vestland");
    EXPECT_EQ(r.cityName(), "Saint John's");
    EXPECT_EQ(r.areaName(), "Campus");
    EXPECT_EQ(r.buildingName(), "Main Library");
    EXPECT_EQ(r.buildingAddress(), "1 High St");
    EXPECT_EQ(r.networkName(), "campus-net");
    EXPECT_EQ(r.floorText(), "3rd floor");

    LocationRecord& none = at("aabbccddeeff");
    EXPECT_EQ(none.countryName(), "");
    EXPECT_EQ(none.buildingName(), "");
    EXPECT_EQ(none.buildingAddress(), "");
    EXPECT_EQ(none.floorText(), "Bsmt");
}

TEST_F(DatabasePlace, ExpandTemplate) {
    LocationRecord& r = at("001122334455");
    LocationRecord& none = at("aabbccddeeff");
    EXPECT_EQ(r.expandTemplate("x{city}y"), "xSaint+John%27sy");
    EXPECT_EQ(none.expandTemplate("x{city}y"), "xy");
    EXPECT_EQ(r.expandTemplate("id={buildingid}&m={bssid}"), "id=42&m=001122334455");
    EXPECT_EQ(none.expandTemplate("id={buildingid}"), "id=0");
    EXPECT_EQ(r.expandTemplate("a{b"), "a");
    EXPECT_EQ(r.expandTemplate("a{nokey}b"), "ab");
    EXPECT_EQ(r.expandTemplate("{CITY}"), "");
    EXPECT_EQ(r.expandTemplate("plain &amp; text"), "plain &amp; text");
    EXPECT_EQ(r.expandTemplate("{location}|{area}|{building}|{streetaddr}|{country}|{province}"),
              "Room+1%262|Campus|Main+Library|1+High+St|Norway|Vestland");
    EXPECT_EQ(none.expandTemplate("city={city}&addr={streetaddr}"), "city=&addr=");
    EXPECT_EQ(r.expandTemplate("{city"), "");
    EXPECT_EQ(r.expandTemplate("{bssid}}x"), "001122334455}x");
}

TEST_F(DatabasePlace, ServicesOfEachLevel) {
    dir.write("services.txt", "7\t0\t0\tw.html\tWeather\t0\n"
                              "8\t0\t0\tx.html\tLocal one\t1\n"
                              "9\t5\t5\tmap?{area}\tCampus map\t0\r\n"
                              "10\t42\t6\tlib.html\tLibrary\t0\r\n"
                              "11\t42\t5\twrong-level\tNo\t0\r\n"
                              "12\t0\t0\tnolabel\t0\r\n"
                              "13\t0\t0\tlast.html\tNo break\t0");
    LocationRecord& r = at("001122334455");
    std::vector<std::string> got;
    auto collect = [&](const std::string& label, const std::string& url) {
        got.push_back(label + "=" + url);
    };
    r.forEachService(db.services(), service_level::Everywhere, collect);
    EXPECT_EQ(got, std::vector<std::string>{"Weather=w.html"});
    got.clear();
    r.forEachService(db.services(), service_level::Area, collect);
    EXPECT_EQ(got, std::vector<std::string>{"Campus map=map?{area}"});
    got.clear();
    r.forEachService(db.services(), service_level::Building, collect);
    EXPECT_EQ(got, std::vector<std::string>{"Library=lib.html"});
    got.clear();
    r.forEachService(db.services(), 7, collect);
    r.forEachService(db.services(), -1, collect);
    // A building outside any area has no area services.
    at("0a0b0c0d0e0f").forEachService(db.services(), service_level::Area, collect);
    EXPECT_TRUE(got.empty());
}

} // namespace
} // namespace nearbeam::test
