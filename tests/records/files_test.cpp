// Writing the data files: saves, replacements, server lines, purge and collect.

#include "database_fixture.h"

#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

using DatabaseFiles = LocationDatabaseFixture;

TEST_F(DatabaseFiles, ServerLinesGetStatusZeroAndNeverReplaceAKey) {
    auto& provinces = db.provinces();
    EXPECT_TRUE(provinces.appendServerLine("12\t5\tVestland"));
    EXPECT_FALSE(provinces.appendServerLine("12\t5\tVestland"));
    EXPECT_FALSE(provinces.appendServerLine("12\t9\tRogaland"));
    EXPECT_FALSE(provinces.appendServerLine("no tab here"));
    EXPECT_TRUE(provinces.appendServerLine("1\t5\tAgder\r")); // a stray CR is dropped
    EXPECT_FALSE(provinces.appendServerLine("2\t5\tTwo\nlines"));
    EXPECT_FALSE(provinces.appendServerLine(std::string("3\t5\tN\0L", 8)));
    EXPECT_EQ(dir.read("province.txt"), "12\t5\tVestland\t0\r\n1\t5\tAgder\t0\r\n");
    // "1\t" is its own key: "12\t" does not hold it.
    EXPECT_FALSE(provinces.appendServerLine("1\t7\tOther"));
}

TEST_F(DatabaseFiles, ServerLineKeysAreCheckedAgainstLinesWrittenByOthers) {
    auto& aps = db.locations();
    EXPECT_TRUE(aps.appendServerLine("001122334455\t31\t0\t1\tHall"));
    // Another writer adds a line behind the table's back: it is still seen.
    dir.write("ap.txt", dir.read("ap.txt") + "aabbccddeeff\t1\t0\t\t\t3\r\n");
    EXPECT_FALSE(aps.appendServerLine("aabbccddeeff\t2\t0\t\t\t"));
    dir.write("ap.txt", "");
    EXPECT_TRUE(aps.appendServerLine("001122334455\t31\t0\t1\tHall"));
}

TEST_F(DatabaseFiles, BatchAppendGivesTheSameFileAsOneLineAtATime) {
    std::vector<std::string> lines = {
        "12\t5\tVestland", "12\t9\tRogaland",
        "no tab",          "13\t5\tAgder",
        "7\t1\tx\r",       "",
        "13\tdup",         std::string(327, 'k') + "9\ttail",
        "9\tafter long",   "14\t5\tLast",
    };
    // A long line's later parts hold keys of their own ("9\t" here).
    dir.write("province.txt", "14\t5\tKept\t3\r\n");
    std::vector<bool> added;
    EXPECT_EQ(db.provinces().appendServerLines(lines, &added), 4u);
    const std::string batch = dir.read("province.txt");

    TempDir other;
    other.write("province.txt", "14\t5\tKept\t3\r\n");
    MemorySettingsStore s2;
    LocationDatabase one{s2};
    one.openDatabase(other.folder());
    std::vector<bool> single;
    for (const auto& line : lines)
        single.push_back(one.provinces().appendServerLine(line));
    EXPECT_EQ(added, single);
    EXPECT_EQ(batch, other.read("province.txt"));
    EXPECT_EQ(added, (std::vector<bool>{true, false, false, true, true, false, false, true, false,
                                        false}));
}

TEST_F(DatabaseFiles, SavesWriteOnlyNewOrChangedRecords) {
    auto* country = db.countries().findOrCreate("Norway", nullptr, nullptr, false);
    auto* province = db.provinces().findOrCreate("Vestland", country, nullptr, false);
    EXPECT_TRUE(db.countries().saveRecord(*country));
    EXPECT_EQ(country->status, record_status::Local);
    EXPECT_FALSE(db.countries().saveRecord(*country)); // status 3: nothing
    EXPECT_TRUE(db.provinces().saveRecord(*province));
    province->status = record_status::Changed;
    EXPECT_TRUE(db.provinces().saveRecord(*province));
    EXPECT_EQ(province->status, record_status::ChangedWritten);
    EXPECT_FALSE(db.provinces().saveRecord(*province)); // status 6: nothing
    EXPECT_EQ(dir.read("country.txt"), "4294967295\tNorway\t3\r\n");
    EXPECT_EQ(dir.read("province.txt"),
              "4294967294\t4294967295\tVestland\t3\r\n4294967294\t4294967295\tVestland\t6\r\n");
}

TEST_F(DatabaseFiles, SaveThatCannotOpenItsFileKeepsTheStatus) {
    LocationDatabase closed{settings}; // never opened: no paths
    auto* c = closed.countries().findOrCreate("X", nullptr, nullptr, false);
    EXPECT_FALSE(closed.countries().saveRecord(*c));
    EXPECT_EQ(c->status, record_status::New);
}

TEST_F(DatabaseFiles, ReplacingALocationKeepsEveryOtherWholeLineAndPutsItLast) {
    dir.write("building.txt", "31\t0\t40\tLibrary\t\t0\r\n");
    const std::string longLine = "ffeeddccbbaa\t1\t0\t2\t" + std::string(400, 'L') + "\t3";
    dir.write("ap.txt", "001122334455\t31\t0\t1\tHall\t0\r\n" + longLine +
                            "\r\n"
                            "aabbccddeeff\t31\t0\t2\tRoom\t3\n"
                            "001122334455\t31\t0\t1\tOld copy\t0\r\n"
                            "ffffffffffff\t1\t0\t\t\t"); // a torn last line
    auto* record = db.locations().find(key("aabbccddeeff"));
    ASSERT_NE(record, nullptr);
    record->location = "Room 2";
    record->markEdited();
    EXPECT_EQ(record->status, record_status::LocalChanged);
    EXPECT_TRUE(db.locations().saveLocation(*record));
    EXPECT_EQ(record->status, record_status::Local);

    auto* server = db.locations().find(key("001122334455"));
    server->markEdited();
    EXPECT_EQ(server->status, record_status::Changed);
    EXPECT_TRUE(db.locations().saveLocation(*server));
    EXPECT_EQ(server->status, record_status::ChangedWritten);

    EXPECT_EQ(dir.read("ap.txt"), longLine + "\r\n"
                                             "aabbccddeeff\t31\t0\t2\tRoom 2\t3\r\n"
                                             "001122334455\t31\t0\t1\tHall\t6\r\n");
    EXPECT_FALSE(dir.exists("ap.txt.tmp"));
    EXPECT_FALSE(dir.exists("ap.txt.bak"));
    // Status 0, 3 or 6: nothing to write.
    EXPECT_FALSE(db.locations().saveLocation(*server));
    // Changed again, a record in status 6 is rewritten with 6.
    server->markEdited();
    EXPECT_EQ(server->status, record_status::Changed);
    EXPECT_TRUE(db.locations().saveLocation(*server));
    EXPECT_EQ(server->status, record_status::ChangedWritten);
}

TEST_F(DatabaseFiles, NewLocationIsAppendedWithStatusThree) {
    auto* record = db.locations().findOrCreate(key("0a0b0c0d0e0f"));
    EXPECT_EQ(record->status, record_status::New);
    record->floor = "3";
    record->location = "Lab";
    EXPECT_TRUE(db.locations().saveLocation(*record));
    EXPECT_EQ(dir.read("ap.txt"), "0a0b0c0d0e0f\t0\t0\t3\tLab\t3\r\n");
    // Without a file to replace in, a changed record stays as it is.
    std::filesystem::remove(dir.path() / "ap.txt");
    record->markEdited();
    EXPECT_FALSE(db.locations().saveLocation(*record));
    EXPECT_EQ(record->status, record_status::LocalChanged);
}

TEST_F(DatabaseFiles, PurgeKeepsWholeServerLinesAndLeavesTheOldFileAsBackup) {
    const std::string longServer = "50\t" + std::string(400, 's') + "\t0";
    const std::string longLocal = "51\t" + std::string(340, 'l') + "\t0x\t3";
    const std::string before =
        "1\tA\t0\r\n2\tB\t3\r\n" + longServer + "\r\n" + longLocal + "\r\n3\tC\t6\n\r\n4\tD\t0";
    dir.write("country.txt", before);
    dir.write("country.txt.bak", "older backup");

    EXPECT_EQ(db.countries().collectLocal(), "2\tB\t3\n" + longLocal + "\n3\tC\t6\n\n");
    EXPECT_TRUE(db.countries().purgeLocal());
    // The last line, without its line break, is what a crash left of it: not kept.
    EXPECT_EQ(dir.read("country.txt"), "1\tA\t0\r\n" + longServer + "\r\n");
    EXPECT_EQ(dir.read("country.txt.bak"), before);
    EXPECT_FALSE(dir.exists("country.txt.tmp"));
    EXPECT_EQ(db.countries().collectLocal(), "");
}

TEST_F(DatabaseFiles, PurgeAndCollectOfAMissingFile) {
    EXPECT_FALSE(db.countries().purgeLocal());
    EXPECT_FALSE(dir.exists("country.txt"));
    EXPECT_EQ(db.countries().collectLocal(), "");
}

TEST_F(DatabaseFiles, EnumerationsReadTheFileInOrder) {
    dir.write("country.txt", "7\tNorway\t0\r\n8\tSweden\t3\r\n");
    dir.write("province.txt", "12\t7\tVestland\t0\r\n13\t8\tSkane\t0\r\n14\t7\tAgder\t3\r\n");
    dir.write("building.txt", "31\t0\t40\tLibrary\t\t3\r\n32\t5\t40\tGym\tMain St\t0\r\n"
                              "33\t0\t41\tPost\tx\t0\r\n34\t0\t40\tHall\tRoad 1\t0\r\n"
                              "35\t99999999999\t40\tHuge area\t\t0\r\n");
    std::vector<std::string> names;
    auto collect = [&](const std::string& n) { names.push_back(n); };
    db.countries().forEachChild(collect, 0);
    EXPECT_EQ(names, (std::vector<std::string>{"Norway", "Sweden"}));
    names.clear();
    db.provinces().forEachChild(collect, 7);
    EXPECT_EQ(names, (std::vector<std::string>{"Vestland", "Agder"}));
    names.clear();
    db.buildings().forEachBuilding(collect, 40, 0);
    EXPECT_EQ(names, (std::vector<std::string>{"Library", "Hall"}));
    names.clear();
    db.buildings().forEachBuilding(collect, 40, 5);
    EXPECT_EQ(names, (std::vector<std::string>{"Gym"}));
}

} // namespace
} // namespace nearbeam::test

namespace nearbeam::test {
namespace {

TEST_F(DatabaseFiles, KeysWrittenByTheProgramItselfRefuseServerLines) {
    EXPECT_TRUE(db.locations().appendServerLine("001122334455\t1\t0\t\t"));
    auto* r = db.locations().findOrCreate(key("aabbccddeeff"));
    ASSERT_TRUE(db.locations().saveLocation(*r));
    EXPECT_FALSE(db.locations().appendServerLine("aabbccddeeff\t9\t0\t\t"));
    r->markEdited();
    ASSERT_TRUE(db.locations().saveLocation(*r)); // replaced through the temporary file
    EXPECT_FALSE(db.locations().appendServerLine("aabbccddeeff\t9\t0\t\t"));
    db.locations().clearTable();
    EXPECT_TRUE(db.locations().appendServerLine("aabbccddeeff\t9\t0\t\t"));
}

TEST_F(DatabaseFiles, DamagedFilesAreReadWithoutHarm) {
    const std::string cases[] = {
        std::string("7\0Nor\0way\t0\r\n\0\0\0", 15),
        "7\rNorway\r0\r\r\n\r\r\r",
        std::string(10000, 'x') + "\t0\r\n7\tNorway\t0\r\n",
        "\xff\xfe\x01\x02\t\t\t\t\t\t\t\t\n\t\n\n\n7\t\t\t",
        "99999999999999999999\t\t\t4294967296\t-99999999999\r\n",
    };
    for (const auto& bytes : cases) {
        for (const char* f : {"country.txt", "province.txt", "building.txt", "ap.txt",
                              "apchecked.txt", "services.txt", "network.txt"})
            dir.write(f, bytes);
        LocationRecord* record = nullptr;
        db.lookUpLocation(key("001122334455"), &record);
        db.countries().findById(7);
        db.provinces().findById(7);
        db.buildings().findById(4294967295u);
        db.countries().findByName("Norway", nullptr, nullptr, false);
        db.buildings().forEachBuilding([](const std::string&) {}, 0, 0);
        db.countries().forEachChild([](const std::string&) {}, 0);
        std::string local = db.countries().collectLocal();
        EXPECT_TRUE(db.countries().purgeLocal());
        EXPECT_EQ(dir.read("country.txt.bak"), bytes);
        db.clearCache();
    }
    // The 10,000-character line is passed over whole by the purge; the short
    // line after it is found.
    dir.write("country.txt", cases[2]);
    EXPECT_EQ(db.countries().findById(7)->name, "Norway");
    EXPECT_EQ(db.countries().collectLocal(), "");
    db.countries().purgeLocal();
    EXPECT_EQ(dir.read("country.txt"), cases[2]);
}

} // namespace
} // namespace nearbeam::test
