#include "records/bssid_key.h"
#include "records/record_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam {
namespace {

TEST(BssidKey, FormsTwelveLowerCaseDigitsAndOrdersByteWise) {
    const uint8_t bytes[6] = {0x00, 0x1A, 0xff, 0x09, 0xB0, 0x7c};
    BssidKey k = BssidKey::fromBytes(bytes);
    EXPECT_STREQ(k.c_str(), "001aff09b07c");
    EXPECT_EQ(k.digits[12], '\0');
    EXPECT_EQ(BssidKey::fromText("001AFF09B07C"), k);
    EXPECT_FALSE(BssidKey::fromText("001aff09b07"));
    EXPECT_FALSE(BssidKey::fromText("001aff09b07g"));
    EXPECT_FALSE(BssidKey::fromText("00:1a:ff:09"));
    EXPECT_LT(*BssidKey::fromText("00ffffffffff"), *BssidKey::fromText("010000000000"));
    EXPECT_LT(*BssidKey::fromText("0a0000000000"), *BssidKey::fromText("a00000000000"));
    EXPECT_TRUE(BssidKey().empty());
}

TEST(RecordLines, CollapsingSplitShiftsFieldsAfterAnEmptyOne) {
    // Runs of tabs are one separator: the name moves into the parent's place.
    RecordFields p = parseRecordFields(RecordKind::Province, "12\t\tVestland\t0\r\n");
    EXPECT_EQ(p.id, 12u);
    EXPECT_EQ(p.parentId, 0u);
    EXPECT_EQ(p.name, "0");
    RecordFields c = parseRecordFields(RecordKind::Country, "7\tNorway\t0\n");
    EXPECT_EQ(c.id, 7u);
    EXPECT_EQ(c.name, "Norway");
    EXPECT_EQ(c.status, 0);
}

TEST(RecordLines, ExactSplitReadsEmptyTexts) {
    RecordFields b = parseRecordFields(RecordKind::Building, "31\t0\t4294967290\tLibrary\t\t3\n");
    EXPECT_EQ(b.id, 31u);
    EXPECT_EQ(b.areaId, 0u);
    EXPECT_EQ(b.parentId, 4294967290u);
    EXPECT_EQ(b.name, "Library");
    EXPECT_EQ(b.streetAddress, "");
    EXPECT_EQ(b.status, 3);

    LocationFields l = parseLocationFields("001122334455\t31\t0\t\tHall\t6\n");
    EXPECT_EQ(l.bssid, "001122334455");
    EXPECT_EQ(l.buildingId, 31u);
    EXPECT_EQ(l.networkId, 0u);
    EXPECT_EQ(l.floor, "");
    EXPECT_EQ(l.location, "Hall");
    EXPECT_EQ(l.status, 6);
}

TEST(RecordLines, ServiceLineReadsLabelIntoName) {
    RecordFields s = parseRecordFields(RecordKind::Service, "7\t0\t0\tw.html\tWeather\t0\n");
    EXPECT_EQ(s.id, 7u);
    EXPECT_EQ(s.scopeId, 0u);
    EXPECT_EQ(s.level, 0);
    EXPECT_EQ(s.url, "w.html");
    EXPECT_EQ(s.name, "Weather");
}

TEST(RecordLines, MalformedLinesReadAsEmptyOrZero) {
    struct Case {
        std::string line;
        uint32_t id;
        std::string name;
        int32_t status;
    };
    const Case cases[] = {
        {"", 0, "", 0},
        {"\n", 0, "", 0},
        {"abc\tName\t3\n", 0, "Name", 3},
        {"4294967296\tBig\t0\n", 0, "Big", 0}, // does not fit 32 bits
        {"4294967295\tTop\t-7\n", 4294967295u, "Top", -7},
        {std::string("5\tNa\0me\t2\n", 10), 5, "Na", 2}, // a NUL ends the text
        {"9\tOnly\n", 9, "Only", 0},
        {"9\tBad\t99999999999\n", 9, "Bad", 0},
        {"12x\tX\t3abc", 12, "X", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RecordFields f = parseRecordFields(RecordKind::Country, c.line);
        EXPECT_EQ(f.id, c.id);
        EXPECT_EQ(f.name, c.name);
        EXPECT_EQ(f.status, c.status);
    }
}

TEST(RecordLines, LeadingIdentifierNeedsADigitAndAFittingNumber) {
    EXPECT_TRUE(leadingIdentifierIs("12\tx", 12));
    EXPECT_TRUE(leadingIdentifierIs("12", 12));
    EXPECT_FALSE(leadingIdentifierIs("123\tx", 12));
    EXPECT_FALSE(leadingIdentifierIs(" 12\tx", 12));
    EXPECT_FALSE(leadingIdentifierIs("-12", 12));
    EXPECT_FALSE(leadingIdentifierIs("x", 0));
    // An overflowing number matches nothing, not the largest identifier.
    EXPECT_FALSE(leadingIdentifierIs("99999999999\t", 4294967295u));
}

TEST(RecordLines, FormatsEveryLayoutExactly) {
    EXPECT_EQ(formatCountryLine(7, "Norway", 0), "7\tNorway\t0\n");
    EXPECT_EQ(formatChildLine(4294967295u, 7, "Vestland", 3), "4294967295\t7\tVestland\t3\n");
    EXPECT_EQ(formatBuildingLine(31, 0, 4294967290u, "Library", "", 3),
              "31\t0\t4294967290\tLibrary\t\t3\n");
    EXPECT_EQ(formatLocationLine("001122334455", 31, 0, "3", "Hall B", 6),
              "001122334455\t31\t0\t3\tHall B\t6\n");
}

TEST(RecordLines, TabsAndLineBreaksInTextsCannotShiftFieldsOrSplitTheLine) {
    // A tab in a name would turn "B" into the status (0: a server record).
    EXPECT_EQ(formatCountryLine(4294967295u, "A\tB", 3), "4294967295\tA B\t3\n");
    EXPECT_EQ(formatChildLine(9, 7, "Two\r\nlines", 3), "9\t7\tTwo  lines\t3\n");
    EXPECT_EQ(formatBuildingLine(31, 0, 40, "Lib", std::string("Main\0St", 7), 3),
              "31\t0\t40\tLib\tMain\t3\n");
    const std::string ap = formatLocationLine("001122334455", 31, 0, "2\t3", "Hall\n", 5);
    EXPECT_EQ(ap, "001122334455\t31\t0\t2 3\tHall \t5\n");
    LocationFields back = parseLocationFields(ap);
    EXPECT_EQ(back.status, 5);
    EXPECT_EQ(back.location, "Hall ");
}

TEST(RecordLines, NumberFieldsOfTheWizardListsReadAsStrtoulWouldButOverflowMatchesNothing) {
    EXPECT_TRUE(numberFieldIs("40", 40));
    EXPECT_TRUE(numberFieldIs("40x", 40));
    EXPECT_FALSE(numberFieldIs("400", 40));
    EXPECT_TRUE(numberFieldIs("x", 0));
    EXPECT_TRUE(numberFieldIs("", 0));
    EXPECT_FALSE(numberFieldIs("x", 40));
    EXPECT_FALSE(numberFieldIs("99999999999", 0));
    EXPECT_FALSE(numberFieldIs("99999999999", 4294967295u));
}

TEST(RecordLines, OverlongTextsAreShortenedSoTheLineKeepsItsEnd) {
    std::string longText(400, 'a');
    std::string line = formatLocationLine("001122334455", 31, 0, "3", longText, 3);
    EXPECT_EQ(line.size(), kMaxLineLength);
    EXPECT_EQ(line.substr(line.size() - 3), "\t3\n");
    EXPECT_EQ(line.substr(0, 20), "001122334455\t31\t0\t3\t");

    line = formatBuildingLine(1, 2, 3, longText, longText, 5);
    EXPECT_EQ(line.size(), kMaxLineLength);
    EXPECT_EQ(line.substr(line.size() - 3), "\t5\n");
    EXPECT_NE(line.find("\t" + longText.substr(0, 100)), std::string::npos); // name kept first

    line = formatCountryLine(1, longText, 3);
    EXPECT_EQ(line.size(), kMaxLineLength);
    EXPECT_EQ(line.substr(line.size() - 3), "\t3\n");
}

TEST(RecordLines, WithoutStatusGivesTheServerForm) {
    EXPECT_EQ(withoutStatus("12\t5\tVestland\t0\r\n"), "12\t5\tVestland");
    EXPECT_EQ(withoutStatus("001122334455\t31\t0\t\t\t0\n"), "001122334455\t31\t0\t\t");
    EXPECT_EQ(withoutStatus("nothing\n"), "nothing");
}

} // namespace
} // namespace nearbeam
