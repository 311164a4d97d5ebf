// An append that a full disk takes only part of leaves the file as it was: the
// survey scan's line is stored whole or not at all.

#include "records/data_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/mount.h>

namespace nearbeam::test {
namespace {

TEST(FullDisk, AnAppendTheDiskTakesOnlyPartOfLeavesTheFileAsItWas) {
    TempDir dir;
    if (::mount("tmpfs", dir.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs for a full disk: " << std::strerror(errno);
    // A file ending a few bytes short of its memory page, which takes them even
    // once the disk is full: a longer line then fits only in part.
    const std::string before = std::string(4090, 'x') + "\r\n";
    dir.write("scans.txt", before);
    {
        std::FILE* filler = std::fopen(dir.file("filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
               std::fflush(filler) == 0)
            ;
        std::fclose(filler);
    }
    EXPECT_FALSE(datafile::appendLine(dir.file("scans.txt"), std::string(200, 'y')));
    EXPECT_EQ(dir.read("scans.txt"), before);
    ::umount2(dir.path().c_str(), MNT_DETACH);
}

} // namespace
} // namespace nearbeam::test
