#include "wireless/manufacturers.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace nearbeam {
namespace {

Bssid prefix(uint8_t a, uint8_t b, uint8_t c) {
    return Bssid{a, b, c, 0x12, 0x34, 0x56};
}

TEST(ManufacturerTable, FirstMatchingLineWinsWithNamesOfFifteenCharacters) {
    test::TempDir dir;
    dir.write("manufacturers.dat", "00d0ef IGT\r\n"
                                   "086195 Rockwell Automation Inc.\n"
                                   "00d0ef Second Line\n"
                                   "001A2B Upper Case\n"
                                   "001a2b Lower Case\n"
                                   "not a line at all\n"
                                   "aabbcc\n"
                                   "ddeeff \n"
                                   "\n"
                                   "f4bd9e Cisco Systems, Inc");
    ManualClock clock;
    ManufacturerTable table(dir.file("manufacturers.dat"), clock);
    struct Case {
        Bssid bssid;
        const char* name;
    };
    const Case cases[] = {
        {prefix(0x00, 0xd0, 0xef), "IGT"},             // CR LF line end dropped
        {prefix(0x08, 0x61, 0x95), "Rockwell Automa"}, // cut to 15
        {prefix(0x00, 0x1a, 0x2b), "Lower Case"},      // upper-case digits never match
        {prefix(0xdd, 0xee, 0xff), ""},                // an empty name
        {prefix(0xaa, 0xbb, 0xcc), ""},                // no space, no name
        {prefix(0xf4, 0xbd, 0x9e), "Cisco Systems, "}, // last line without a line end
        {prefix(0x01, 0x02, 0x03), ""},                // not in the table
    };
    for (const Case& c : cases) {
        EXPECT_EQ(table.lookup(c.bssid), c.name) << ::testing::PrintToString(c.bssid);
    }
}

TEST(ManufacturerTable, AMissingFileGivesEmptyNames) {
    test::TempDir dir;
    ManualClock clock;
    ManufacturerTable table(dir.file("absent.dat"), clock);
    EXPECT_EQ(table.lookup(prefix(0, 0, 0)), "");
}

TEST(ManufacturerTable, ReadsTheFileAgainWhenItChanges) {
    test::TempDir dir;
    dir.write("m.dat", "001122 First\n");
    ManualClock clock(5000);
    ManufacturerTable table(dir.file("m.dat"), clock);
    EXPECT_EQ(table.lookup(prefix(0x00, 0x11, 0x22)), "First");
    dir.write("m.dat", "001122 Replaced name\n");
    clock.advance(100); // looked at no more than once a second
    EXPECT_EQ(table.lookup(prefix(0x00, 0x11, 0x22)), "First");
    clock.advance(1000);
    EXPECT_EQ(table.lookup(prefix(0x00, 0x11, 0x22)), "Replaced name");
    std::filesystem::remove(dir.file("m.dat"));
    clock.advance(1000);
    EXPECT_EQ(table.lookup(prefix(0x00, 0x11, 0x22)), "");
    dir.write("m.dat", "001122 Back\n");
    clock.advance(1000);
    EXPECT_EQ(table.lookup(prefix(0x00, 0x11, 0x22)), "Back");
}

// The table made at build time from the IEEE list.
TEST(ManufacturerTable, TheGeneratedTableHasTheLayoutAndKnownNames) {
    const std::string path = std::string(NEARBEAM_BINARY_DIR) + "/manufacturers.dat";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        GTEST_SKIP() << path << " was not made (package ieee-data missing)";
    }
    const std::regex layout("[0-9a-f]{6} [^\r\n]{1,15}\r"); // never an empty name
    std::string line;
    size_t lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_TRUE(std::regex_match(line, layout)) << "line " << lines << ": " << line;
    }
    EXPECT_GT(lines, 30000u);
    ManualClock clock;
    ManufacturerTable table(path, clock);
    EXPECT_EQ(table.lookup(prefix(0x00, 0xd0, 0xef)), "IGT");
    EXPECT_EQ(table.lookup(prefix(0x08, 0x61, 0x95)), "Rockwell Automa");
    EXPECT_EQ(table.lookup(prefix(0x68, 0xa4, 0x0e)), "BSH Hausger\xE4te"); // Windows-1252
    EXPECT_EQ(table.lookup(prefix(0x8c, 0xb8, 0x4a)), "SAMSUNG ELECTRO");   // name with ")"
}

} // namespace
} // namespace nearbeam
