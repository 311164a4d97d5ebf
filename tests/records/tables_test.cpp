// Finding records: the caches over the files, references between kinds.

#include "database_fixture.h"

#include <string>

namespace nearbeam::test {
namespace {

using DatabaseTables = LocationDatabaseFixture;

TEST_F(DatabaseTables, FindByIdReadsOnceAndResolvesParentsUpToTheCountry) {
    dir.write("country.txt", "7\tNorway\t0\r\n");
    dir.write("province.txt", "12\t7\tVestland\t0\r\n");
    dir.write("city.txt", "40\t12\tBergen\t0\r\n");
    dir.write("area.txt", "5\t40\tCampus\t0\r\n");
    dir.write("building.txt", "31\t5\t40\tLibrary\tMain St 1\t0\r\n");
    auto* b = static_cast<BuildingRecord*>(db.buildings().findById(31));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, "Library");
    EXPECT_EQ(b->streetAddress, "Main St 1");
    ASSERT_NE(b->area, nullptr);
    EXPECT_EQ(b->area->name, "Campus");
    ASSERT_NE(b->parent, nullptr);
    EXPECT_EQ(b->parent->name, "Bergen");
    ASSERT_NE(b->parent->parent, nullptr);
    EXPECT_EQ(b->parent->parent->parent->name, "Norway");
    EXPECT_EQ(db.buildings().currentRecord(), b);

    // Served from the cache: the file is not read again.
    dir.write("building.txt", "");
    EXPECT_EQ(db.buildings().findById(31), b);
    EXPECT_EQ(db.buildings().findById(32), nullptr);
    EXPECT_EQ(db.buildings().findById(0), nullptr);
}

TEST_F(DatabaseTables, ABuildingLooksUpItsAreaBeforeItsCity) {
    // The area lies in another city: which city is looked up last shows.
    dir.write("city.txt", "40\t12\tBergen\t0\r\n41\t12\tVoss\t0\r\n");
    dir.write("area.txt", "5\t41\tCampus\t0\r\n");
    dir.write("building.txt", "31\t5\t40\tLibrary\t\t0\r\n");
    auto* b = db.buildings().findById(31);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(db.cities().currentRecord(), b->parent);
    EXPECT_EQ(db.areas().currentRecord()->id, 5u);
}

TEST_F(DatabaseTables, MissingReferencesGiveNoneWithoutError) {
    dir.write("province.txt", "12\t99\tVestland\t0\r\n");
    dir.write("building.txt", "31\t0\t4294967290\tLibrary\t\t3\r\n");
    EXPECT_EQ(db.provinces().findById(12)->parent, nullptr);
    auto* b = static_cast<BuildingRecord*>(db.buildings().findById(31));
    EXPECT_EQ(b->area, nullptr);
    EXPECT_EQ(b->parent, nullptr);
    EXPECT_EQ(b->streetAddress, "");
    EXPECT_EQ(b->status, 3);
}

TEST_F(DatabaseTables, BuildingWithoutAreaKeepsItsCity) {
    dir.write("city.txt", "40\t12\tBergen\t0\r\n");
    dir.write("building.txt", "31\t0\t40\tLibrary\t\t0\r\n");
    auto* b = static_cast<BuildingRecord*>(db.buildings().findById(31));
    EXPECT_EQ(b->area, nullptr);
    ASSERT_NE(b->parent, nullptr);
    EXPECT_EQ(b->parent->id, 40u);
}

TEST_F(DatabaseTables, IdentifiersMatchWholeNumbersOnly) {
    dir.write("country.txt", "x\tBad\t0\r\n123\tLonger\t0\r\n99999999999\tHuge\t0\r\n"
                             "12\tTwelve\t0\r\n");
    EXPECT_EQ(db.countries().findById(12)->name, "Twelve");
    EXPECT_EQ(db.countries().findById(4294967295u), nullptr);
}

TEST_F(DatabaseTables, FindByNameTakesTheFirstMatchAndKeepsOneRecordPerId) {
    dir.write("country.txt", "7\tNorway\t0\r\n");
    dir.write("city.txt", "44\t12\tBergen\t0\r\n40\t12\tBergen\t0\r\n41\t13\tBergen\t0\r\n");
    dir.write("province.txt", "12\t7\tVestland\t0\r\n13\t7\tOther\t0\r\n");
    auto* norway = db.countries().findByName("Norway", nullptr, nullptr, false);
    ASSERT_NE(norway, nullptr);
    auto* vestland = db.provinces().findByName("Vestland", norway, nullptr, false);
    ASSERT_NE(vestland, nullptr);
    auto* bergen = db.cities().findByName("Bergen", vestland, nullptr, false);
    ASSERT_NE(bergen, nullptr);
    EXPECT_EQ(bergen->id, 44u); // the first line in the file
    EXPECT_EQ(db.cities().findById(44), bergen);
    // In the cache, the lowest identifier wins.
    db.cities().findById(40);
    EXPECT_EQ(db.cities().findByName("Bergen", vestland, nullptr, false)->id, 40u);
    EXPECT_EQ(db.cities().findByName("bergen", vestland, nullptr, false), nullptr);
    EXPECT_EQ(db.countries().findByName("Sweden", nullptr, nullptr, false), nullptr);
    EXPECT_EQ(db.cities().currentRecord()->id, 40u); // a miss changes nothing
}

TEST_F(DatabaseTables, FindByNamePassesOverLinesWithoutAnIdentifier) {
    // A damaged line and the tail of a long line hold the search text but name no
    // record: handing out identifier 0 would leave the wizard's children parentless.
    dir.write("country.txt",
              "x\tNorway\t0\r\n" + std::string(327, 'y') + "\tNorway\t0\r\n" + "7\tNorway\t0\r\n");
    auto* norway = db.countries().findByName("Norway", nullptr, nullptr, false);
    ASSERT_NE(norway, nullptr);
    EXPECT_EQ(norway->id, 7u);
    EXPECT_EQ(db.countries().currentRecord(), norway);
    dir.write("country.txt", "x\tAtlantis\t0\r\n");
    EXPECT_EQ(db.countries().findOrCreate("Atlantis", nullptr, nullptr, false)->id, 4294967295u);
}

TEST_F(DatabaseTables, BuildingsAreFoundByAreaAndCity) {
    dir.write("city.txt", "40\t12\tBergen\t0\r\n");
    dir.write("area.txt", "5\t40\tCampus\t0\r\n");
    dir.write("building.txt", "31\t5\t40\tLibrary\t\t0\r\n32\t0\t40\tLibrary\tx\t0\r\n");
    auto* bergen = db.cities().findById(40);
    auto* campus = db.areas().findById(5);
    EXPECT_EQ(db.buildings().findByName("Library", bergen, nullptr, true)->id, 32u);
    EXPECT_EQ(db.buildings().findByName("Library", bergen, campus, true)->id, 31u);
}

TEST_F(DatabaseTables, FindOrCreateMakesAnUnsavedLocalRecord) {
    auto* atlantis = db.countries().findOrCreate("Atlantis", nullptr, nullptr, false);
    EXPECT_EQ(atlantis->id, 4294967295u);
    EXPECT_EQ(atlantis->status, record_status::New);
    EXPECT_FALSE(dir.exists("country.txt"));
    EXPECT_EQ(db.countries().findByName("Atlantis", nullptr, nullptr, false), atlantis);
    EXPECT_EQ(db.countries().findOrCreate("Atlantis", nullptr, nullptr, false), atlantis);
    EXPECT_EQ(db.countries().currentRecord(), atlantis);

    auto* city = db.cities().findOrCreate("Bergen", nullptr, nullptr, false);
    auto* area = db.areas().findOrCreate("Campus", city, nullptr, false);
    auto* b =
        static_cast<BuildingRecord*>(db.buildings().findOrCreate("Library", city, area, true));
    EXPECT_EQ(b->area, area);
    EXPECT_EQ(b->parent, city);
    EXPECT_EQ(b->id, 4294967292u);
}

TEST_F(DatabaseTables, LocationsAreFoundByTheirFirstTwelveCharacters) {
    dir.write("network.txt", "3\tcampus-net\t0\r\n");
    dir.write("building.txt", "31\t0\t40\tLibrary\t\t0\r\n");
    dir.write("ap.txt", "001122334455x\t1\t0\t\t\t0\r\n"
                        "aabbccddeeff\t31\t3\t2\tRoom 5\t0\r\n");
    auto* r = db.locations().find(key("aabbccddeeff"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->building->name, "Library");
    EXPECT_EQ(r->network->name, "campus-net");
    EXPECT_EQ(r->floor, "2");
    EXPECT_EQ(r->location, "Room 5");
    EXPECT_FALSE(r->resolved);
    EXPECT_STREQ(r->bssid.c_str(), "aabbccddeeff");
    EXPECT_NE(db.locations().find(key("001122334455")), nullptr);
    EXPECT_EQ(db.locations().find(key("001122334456")), nullptr);
    EXPECT_EQ(db.locations().find(BssidKey()), nullptr);
}

TEST_F(DatabaseTables, PartsOfALongLineAreReadAsLinesOfTheirOwn) {
    // The second part of the long line starts with a key of its own.
    std::string line = std::string(327, 'x') + "0a0b0c0d0e0f\t0\t0\t\tTail\t0";
    dir.write("ap.txt", line + "\r\n");
    auto* r = db.locations().find(key("0a0b0c0d0e0f"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->location, "Tail");
}

TEST_F(DatabaseTables, AskedListRemembersOnlyKeysItFound) {
    dir.write("apchecked.txt", "001122334455\r\naabbccddeeff\r\n0a0b0c0d0e0f"); // torn
    EXPECT_TRUE(db.asked().contains(key("aabbccddeeff")));
    EXPECT_FALSE(db.asked().contains(key("0a0b0c0d0e0f")));
    dir.write("apchecked.txt", "0a0b0c0d0e0f\n");
    // Found before: still held; not found before: the file is read again.
    EXPECT_TRUE(db.asked().contains(key("aabbccddeeff")));
    EXPECT_TRUE(db.asked().contains(key("0a0b0c0d0e0f")));
    EXPECT_TRUE(db.asked().add(key("0a0b0c0d0e0f")));
    EXPECT_TRUE(db.asked().add(key("ffffffffffff")));
    EXPECT_EQ(dir.read("apchecked.txt"), "0a0b0c0d0e0f\nffffffffffff\r\n");
}

TEST_F(DatabaseTables, ClearingForgetsTheCacheAndDeletesTheFile) {
    dir.write("country.txt", "7\tNorway\t0\r\n");
    ASSERT_NE(db.countries().findById(7), nullptr);
    db.countries().clearTable();
    EXPECT_EQ(db.countries().cachedCount(), 0u);
    EXPECT_EQ(db.countries().currentRecord(), nullptr);
    EXPECT_FALSE(dir.exists("country.txt"));
    EXPECT_EQ(db.countries().findById(7), nullptr);
}

} // namespace
} // namespace nearbeam::test
