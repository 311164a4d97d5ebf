#include "records/data_file.h"

#include "base/file_ops.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

std::vector<std::string> partsOf(const TempDir& dir, const std::string& bytes) {
    dir.write("f.txt", bytes);
    std::vector<std::string> parts;
    EXPECT_TRUE(datafile::forEachPartOfFile(dir.file("f.txt"), [&](std::string_view p) {
        parts.emplace_back(p);
        return false;
    }));
    return parts;
}

TEST(DataFile, ReadsLfAndCrLfAndDropsOnlyTheCrBeforeLf) {
    TempDir dir;
    using V = std::vector<std::string>;
    // Bytes after the last line break are what a crash leaves of a line: not a line.
    EXPECT_EQ(partsOf(dir, "a\r\nb\nc"), (V{"a\n", "b\n"}));
    EXPECT_EQ(partsOf(dir, "a\rb\r\r\n\n"), (V{"a\rb\r\n", "\n"}));
    EXPECT_EQ(partsOf(dir, std::string("x\0y\r\n", 5)), (V{std::string("x\0y\n", 4)}));
    EXPECT_EQ(partsOf(dir, ""), V{});
    EXPECT_EQ(partsOf(dir, "tail\r"), V{});
}

TEST(DataFile, LongLinesComeInPartsOf327Characters) {
    TempDir dir;
    std::string a326(326, 'a'), b327(327, 'b');
    // 326 characters and the line break fit one part; 327 do not.
    auto parts = partsOf(dir, a326 + "\r\n" + b327 + "\r\n" + std::string(700, 'c') + "\n");
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts[0], a326 + "\n");
    EXPECT_EQ(parts[1], b327);
    EXPECT_EQ(parts[2], "\n");
    EXPECT_EQ(parts[3], std::string(327, 'c'));
    EXPECT_EQ(parts[4], std::string(327, 'c'));
    EXPECT_EQ(parts[5], std::string(46, 'c') + "\n");
}

TEST(DataFile, ReadsLinesLongerThanItsBuffer) {
    TempDir dir;
    std::string huge(600000, 'h');
    dir.write("f.txt", "a\n" + huge + "\r\nz");
    datafile::LineReader reader(dir.file("f.txt"));
    std::string_view line;
    std::vector<size_t> sizes;
    while (reader.next(line))
        sizes.push_back(line.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{2, 600001}));
}

TEST(DataFile, MissingFileReadsAsNothing) {
    TempDir dir;
    EXPECT_FALSE(datafile::forEachPartOfFile(dir.file("none.txt"), [](std::string_view) {
        ADD_FAILURE();
        return false;
    }));
    EXPECT_FALSE(datafile::LineReader(dir.file("none.txt")).isOpen());
}

TEST(DataFile, AppendWritesCrLfAndNeverRunsIntoALastLineWithoutBreak) {
    TempDir dir;
    EXPECT_TRUE(datafile::appendLine(dir.file("f.txt"), "one"));
    EXPECT_TRUE(datafile::appendLine(dir.file("f.txt"), "two"));
    EXPECT_EQ(dir.read("f.txt"), "one\r\ntwo\r\n");
    // What a crash left of a line is cut off first, however long.
    dir.write("g.txt", "kept\r\nhalf a li");
    EXPECT_TRUE(datafile::appendLine(dir.file("g.txt"), "next"));
    EXPECT_EQ(dir.read("g.txt"), "kept\r\nnext\r\n");
    dir.write("h.txt", std::string(10000, 'h'));
    EXPECT_TRUE(datafile::appendBytes(dir.file("h.txt"), "a\r\nb\r\n"));
    EXPECT_EQ(dir.read("h.txt"), "a\r\nb\r\n");
    EXPECT_FALSE(datafile::appendLine(dir.file("no-folder/f.txt"), "x"));
}

TEST(DataFile, ReplaceGoesThroughTmpAndLeavesNoTemporaryFile) {
    TempDir dir;
    dir.write("f.txt", "old\r\n");
    EXPECT_TRUE(datafile::replaceLines(dir.file("f.txt"), {"new", "lines"}));
    EXPECT_EQ(dir.read("f.txt"), "new\r\nlines\r\n");
    EXPECT_FALSE(dir.exists("f.txt.tmp"));
    // A folder in the way of the temporary file: the old file stays as it was.
    dir.write("g.txt", "keep\r\n");
    std::filesystem::create_directories(dir.path() / "g.txt.tmp");
    EXPECT_FALSE(datafile::replaceLines(dir.file("g.txt"), {"lost"}));
    EXPECT_EQ(dir.read("g.txt"), "keep\r\n");
}

TEST(DataFile, StampChangesWithTheFile) {
    TempDir dir;
    EXPECT_EQ(fileStamp(dir.file("f.txt")).size, -1);
    dir.write("f.txt", "abc");
    auto first = fileStamp(dir.file("f.txt"));
    EXPECT_EQ(first.size, 3);
    datafile::appendLine(dir.file("f.txt"), "d");
    EXPECT_NE(fileStamp(dir.file("f.txt")), first);
}

} // namespace
} // namespace nearbeam::test
