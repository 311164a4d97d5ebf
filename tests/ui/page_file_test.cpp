#include "ui/page_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(PageFile, BesideTheProgramElseUnderTheSameNameInTheTemporaryFolder) {
    EXPECT_EQ(
        pageFileCandidates("C:\\Apps\\prog.exe", "C:\\Temp\\"),
        (std::vector<std::string>{"C:\\Apps\\prog.exe-temp.html", "C:\\Temp\\prog.exe-temp.html"}));
    EXPECT_EQ(pageFileCandidates("prog.exe", ""), std::vector<std::string>{"prog.exe-temp.html"});

    TempDir dir;
    const std::string page = "<html>\xe6\n</html>";
    // A program folder that cannot be written: the second place takes the page.
    const std::vector<std::string> candidates{dir.file("missing") + "/prog.exe-temp.html",
                                              dir.file("prog.exe-temp.html")};
    EXPECT_EQ(writePageFile(candidates, page), candidates[1]);
    EXPECT_EQ(dir.read("prog.exe-temp.html"), page);
    EXPECT_EQ(writePageFile({candidates[0]}, page), "");
}

} // namespace
} // namespace nearbeam::test
