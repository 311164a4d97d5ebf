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

TEST(CommandLine, HelpAndVersionAreRequestsNotOptionsWithFiles) {
    const struct {
        std::vector<std::wstring> args;
        CommandLine::Request request;
    } cases[] = {
        {{L"--help"}, CommandLine::Request::Help},
        {{L"-h"}, CommandLine::Request::Help},
        {{L"--version"}, CommandLine::Request::Version},
        {{L"--trace", L"t.txt", L"--version"}, CommandLine::Request::Version},
        // A file named like the option is a file.
        {{L"--trace", L"--help"}, CommandLine::Request::Run},
    };
    for (const auto& c : cases) {
        std::wstring error;
        const auto options = parseCommandLine(c.args, error);
        ASSERT_TRUE(options) << std::string(error.begin(), error.end());
        EXPECT_EQ(options->request, c.request) << std::string(c.args[0].begin(), c.args[0].end());
    }
    std::wstring error;
    EXPECT_FALSE(parseCommandLine({L"--help=x"}, error));
    EXPECT_FALSE(parseCommandLine({L"--version", L"--verbose"}, error));
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
