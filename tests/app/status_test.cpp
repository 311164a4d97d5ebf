#include "app/status.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

struct Row {
    LookupStatus status;
    int quality;
    int stringId;
    const wchar_t* text;
    int icon;
};

// Every code the lookup, the download and the application produce, with the
// text and tray icon the user sees for it.
const Row kRows[] = {
    {0x2000, 70, 4, L"You are at %s", 122},
    {0x2000, 100, 4, L"You are at %s", 122},
    {0x2000, 69, 5, L"You are near %s", 122},
    {0x2000, 0, 5, L"You are near %s", 122},
    {0x4000, 70, 14, L"I'm curious, where are we?", 123},
    {0x4000, 69, 2, L"I don't recognize this place.", 123},
    {0x500, 100, 8, L"I need a map (no internet connection)", 124},
    {0x900, 100, 17, L"Bad response from server (login required?)", 124},
    {0x1100, 100, 18, L"Internal error in lookup (out of memory?)", 124},
    {0x30000, 100, 16, L"Trying to find a map server...", 125},
    {0x50000, 100, 15, L"Connecting to the map server...", 125},
    {0x90000, 100, 13, L"Requesting a map...", 125},
    {0x110000, 100, 12, L"Downloading map...", 125},
    {0x8000, 100, 12, L"Downloading map...", 122},
    {0x12345, 50, 12, L"Downloading map...", 125},
    {0x80, 0, 6, L"You were last seen at %s", 122},
    {0x180, 0, 7, L"I am lost (no wireless signal available)", 124},
    {0x300, 0, 10, L"Can't detect location (device not available)", 124},
};

TEST(StatusTable, EveryCodeHasItsTextAndIcon) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << row.status << std::dec << " at quality " << row.quality);
        const int id = statusStringId(row.status, row.quality);
        EXPECT_EQ(id, row.stringId);
        EXPECT_EQ(stringText(id), row.text);
        EXPECT_EQ(statusIcon(row.status), row.icon);
    }
}

TEST(StatusTable, StringTableHoldsTitleClassAndUnusedTexts) {
    EXPECT_EQ(stringText(1), L"802.11 Scanner");
    EXPECT_EQ(stringText(3), L"NEARBEAM");
    EXPECT_EQ(stringText(9), L"Can't detect location (wireless card is off)");
    EXPECT_EQ(stringText(11), L"Looking up location...");
    EXPECT_EQ(stringText(0), L"");
    EXPECT_EQ(stringText(19), L"");
    for (int id = 1; id <= 18; ++id)
        EXPECT_FALSE(stringText(id).empty()) << id;
}

TEST(StatusTable, IconBitsTakePrecedenceInOrder) {
    // The unrecognised-place bit wins over the request bit, which wins over the
    // problem bit.
    EXPECT_EQ(statusIcon(0x4000 | 0x10000 | 0x100), 123);
    EXPECT_EQ(statusIcon(0x10000 | 0x100), 125);
    EXPECT_EQ(statusIcon(0x100), 124);
    EXPECT_EQ(statusIcon(0), 122);
}

TEST(StatusText, FillsTheArgumentAndStaysWithinTheBuffer) {
    EXPECT_EQ(formatStatusText(L"You are at %s", L"Library"), L"You are at Library");
    EXPECT_EQ(formatStatusText(L"I am lost (no wireless signal available)", L"x"),
              L"I am lost (no wireless signal available)");
    // A "%" in the argument is not a format of its own.
    EXPECT_EQ(formatStatusText(L"You are near %s", L"100%s Hall"), L"You are near 100%s Hall");
    const std::wstring longName(400, L'a');
    EXPECT_EQ(formatStatusText(L"You are at %s", longName).size(), 255u);
}

} // namespace
} // namespace nearbeam
