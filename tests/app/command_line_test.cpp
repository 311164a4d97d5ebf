#include "app/command_line.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(CommandLine, ReadsBothOptionsInEitherForm) {
    std::wstring error;
    auto none = parseCommandLine({}, error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->simulate.empty());
    EXPECT_TRUE(none->trace.empty());

    auto both = parseCommandLine({L"--trace", L"C:\\t\\trace.txt", L"--simulate=walk.txt"}, error);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->simulate, L"walk.txt");
    EXPECT_EQ(both->trace, L"C:\\t\\trace.txt");
}

TEST(CommandLine, RefusesWhatItDoesNotKnow) {
    struct Case {
        std::vector<std::wstring> args;
        const wchar_t* errorPart;
    };
    const Case cases[] = {
        {{L"--simulate"}, L"--simulate needs a file name"},
        {{L"--trace="}, L"--trace needs a file name"},
        {{L"--verbose"}, L"Unknown option \"--verbose\""},
        {{L"walk.txt"}, L"Unknown option \"walk.txt\""},
    };
    for (const Case& c : cases) {
        std::wstring error;
        EXPECT_FALSE(parseCommandLine(c.args, error));
        EXPECT_NE(error.find(c.errorPart), std::wstring::npos)
            << std::string(error.begin(), error.end());
    }
}

} // namespace
} // namespace nearbeam
