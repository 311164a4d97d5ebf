#include "server/location_service.h"

#include "net/md5.h"
#include "net/server_cases.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

class LocationServiceTest : public ::testing::Test {
  protected:
    LocationServiceTest() {
        writeServerRecords(dir);
        LocationService::addUser(service.usersPath(), "ann", "secret");
    }
    std::string upload(const std::string& records) {
        return service.uploadText("- login\nann\n" + loginToken("secret") + "\n" + records);
    }

    TempDir dir;
    LocationService service{dir.folder()};
};

TEST_F(LocationServiceTest, DownloadSendsThePlaceAndItsServices) {
    EXPECT_EQ(service.downloadText("001122334455"),
              "- countries\n7\tNorway\n"
              "- provinces\n12\t7\tVestland\n"
              "- cities\n20\t12\tBergen\n"
              "- areas\n25\t20\tCentre\n"
              "- buildings\n31\t25\t20\tLibrary\tMain St 1\n"
              "- networks\n3\tCity net\n"
              "- aps\n001122334455\t31\t3\t2\tReading room\n"
              "- services\n1\t0\t0\thttp://everywhere/{bssid}\tEverywhere\n"
              "2\t20\t4\thttp://bergen/\tBergen guide\n"
              "- end\n");
    EXPECT_EQ(service.downloadText("ffffffffffff"), "- end\n");
    EXPECT_EQ(service.downloadText("00112233445"), ""); // not an address
    EXPECT_EQ(service.downloadText("0011223344zz"), "");
    EXPECT_EQ(service.downloadText("001122334455\t"), "");
}

TEST_F(LocationServiceTest, UploadStoresUnderServerIdentifiers) {
    // A new province, city and building in Norway, and two access points: one new,
    // one the server had in another place.
    const std::string reply = upload("- provinces\n4294967295\t7\tRogaland\t3\n"
                                     "- cities\n4294967294\t4294967295\tStavanger\t3\n"
                                     "- buildings\n4294967293\t0\t4294967294\tHarbour\tQuay 2\t3\n"
                                     "- aps\naabbccddeeff\t4294967293\t0\t1\tHall\t3\n"
                                     "001122334455\t4294967293\t3\t0\tDesk\t6\n"
                                     "- end\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- provinces\n13\t7\tRogaland\n"
                     "- cities\n21\t13\tStavanger\n"
                     "- buildings\n32\t0\t21\tHarbour\tQuay 2\n"
                     "- aps\naabbccddeeff\t32\t0\t1\tHall\n001122334455\t32\t3\t0\tDesk\n"
                     "- msg Thank you, ann: 5 records stored.\n"
                     "- end\n");
    EXPECT_EQ(dir.read("province.txt"), "12\t7\tVestland\t0\r\n13\t7\tRogaland\t0\r\n");
    EXPECT_EQ(dir.read("building.txt"),
              "31\t25\t20\tLibrary\tMain St 1\t0\r\n32\t0\t21\tHarbour\tQuay 2\t0\r\n");
    EXPECT_EQ(dir.read("ap.txt"),
              "001122334455\t32\t3\t0\tDesk\t0\r\naabbccddeeff\t32\t0\t1\tHall\t0\r\n");
    // What was stored is what the next download sends.
    EXPECT_NE(service.downloadText("aabbccddeeff").find("- cities\n21\t13\tStavanger\n"),
              std::string::npos);
}

TEST_F(LocationServiceTest, AnAccessPointNamedTwiceInOneUploadTakesTheLaterLine) {
    const std::string reply = upload("- aps\naabbccddeeff\t31\t0\t1\tHall\t3\n"
                                     "001122334455\t31\t0\t1\tDesk\t6\n"
                                     "aabbccddeeff\t31\t0\t2\tAttic\t3\n"
                                     "001122334455\t31\t0\t3\tRoof\t6\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- aps\naabbccddeeff\t31\t0\t2\tAttic\n001122334455\t31\t0\t3\tRoof\n"
                     "- msg Thank you, ann: 2 records stored.\n"
                     "- end\n");
    EXPECT_EQ(dir.read("ap.txt"),
              "001122334455\t31\t0\t3\tRoof\t0\r\naabbccddeeff\t31\t0\t2\tAttic\t0\r\n");
}

TEST_F(LocationServiceTest, UploadReusesPlacesTheServerHasAndKeepsChangedOnes) {
    const std::string reply = upload("- countries\n4294967295\tNorway\t3\n"
                                     "- provinces\n12\t7\tVestlandet\t6\n"
                                     "- cities\n4294967294\t12\tBergen\t3\n"
                                     "- end\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- countries\n7\tNorway\n"
                     "- provinces\n12\t7\tVestlandet\n"
                     "- cities\n20\t12\tBergen\n"
                     "- msg Thank you, ann: 1 record stored.\n"
                     "- end\n");
    EXPECT_EQ(dir.read("country.txt"), "7\tNorway\t0\r\n");
    EXPECT_EQ(dir.read("province.txt"), "12\t7\tVestlandet\t0\r\n");
    EXPECT_EQ(dir.read("city.txt"), "20\t12\tBergen\t0\r\n");
}

TEST_F(LocationServiceTest, RefusedUploadsStoreNothing) {
    struct Case {
        const char* name;
        std::string body;
    };
    const std::string login = "- login\nann\n" + loginToken("secret") + "\n";
    const Case cases[] = {
        {"wrong password", "- login\nann\n" + loginToken("guess") + "\n- end\n"},
        {"unknown user", "- login\nbob\n" + loginToken("secret") + "\n- end\n"},
        {"no login", "- countries\n4294967295\tSweden\t3\n- end\n"},
        {"empty", ""},
        {"line outside a section", login + "4294967295\tSweden\t3\n- end\n"},
        {"unknown parent", login + "- cities\n4294967290\t4294967000\tNowhere\t3\n- end\n"},
        {"unknown building", login + "- aps\naabbccddeeff\t4294967000\t0\t1\tHall\t3\n"},
        {"bad address", login + "- aps\naabbccddeeXX\t31\t0\t1\tHall\t3\n"},
        {"NUL in a name",
         login + "- countries\n4294967295\tSwe" + std::string(1, '\0') + "den\t3\n"},
        {"CR inside a location", login + "- aps\naabbccddeeff\t31\t0\t1\tHa\rll\t3\n"},
        {"control character in a street address",
         login + "- buildings\n4294967290\t0\t20\tStation\tQuay\x01\t3\n"},
        {"refusal after a good record",
         login + "- countries\n4294967295\tSweden\t3\n- cities\n4294967290\t999\tX\t3\n"},
    };
    for (const Case& c : cases) {
        std::string reply = service.uploadText(c.body);
        EXPECT_EQ(reply.rfind("- error ", 0), 0u) << c.name << ": " << reply;
        EXPECT_EQ(reply.substr(reply.size() - 6), "- end\n") << c.name;
        EXPECT_EQ(dir.read("country.txt"), "7\tNorway\t0\r\n") << c.name;
        EXPECT_EQ(dir.read("city.txt"), "20\t12\tBergen\t0\r\n") << c.name;
        EXPECT_EQ(dir.read("ap.txt"), "001122334455\t31\t3\t2\tReading room\t0\r\n") << c.name;
    }
}

TEST_F(LocationServiceTest, UsersFileKeepsOnlyDigests) {
    dir.write("users.txt", "ann\t" + md5Hex("secret")); // kept by hand: no last line break
    ASSERT_TRUE(LocationService::addUser(service.usersPath(), "bob", "pw1"));
    ASSERT_TRUE(LocationService::addUser(service.usersPath(), "bob", "pw2")); // replaces
    EXPECT_FALSE(LocationService::addUser(service.usersPath(), "a\tb", "pw"));
    EXPECT_EQ(dir.read("users.txt"),
              "ann\t" + md5Hex("secret") + "\r\nbob\t" + md5Hex("pw2") + "\r\n");
    EXPECT_EQ(service.uploadText("- login\nbob\n" + loginToken("pw2") + "\n- end\n")
                  .rfind("- nearbeam ok", 0),
              0u);
}

} // namespace
} // namespace nearbeam::test
