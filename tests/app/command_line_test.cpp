#include "app/command_line.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(CommandLine, ReadsTheOptionsInEitherForm) {
    std::wstring error;
    auto none = parseCommandLine({}, error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->simulate.empty());
    EXPECT_TRUE(none->trace.empty());
    EXPECT_FALSE(none->fast);

    auto all = parseCommandLine(
        {L"--trace", L"C:\\t\\trace.txt", L"--fast", L"--simulate=walk.txt"}, error);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->simulate, L"walk.txt");
    EXPECT_EQ(all->trace, L"C:\\t\\trace.txt");
    EXPECT_TRUE(all->fast);
    EXPECT_TRUE(all->survey.empty());

    auto survey = parseCommandLine({L"--survey", L"Library/1/Reading room", L"--scans=12"}, error);
    ASSERT_TRUE(survey) << std::string(error.begin(), error.end());
    EXPECT_EQ(survey->survey, L"Library/1/Reading room");
    EXPECT_EQ(survey->scans, 12);
    EXPECT_EQ(parseCommandLine({L"--survey=Library//Hall"}, error)->scans, 6);
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
        int code = 2;
    };
    const Case cases[] = {
        {{L"--simulate"}, L"--simulate needs a file name"},
        {{L"--trace="}, L"--trace needs a file name"},
        {{L"--verbose"}, L"Unknown option \"--verbose\""},
        {{L"walk.txt"}, L"Unknown option \"walk.txt\""},
        {{L"--fast=yes", L"--simulate", L"walk.txt"}, L"Unknown option \"--fast=yes\""},
        // Options that do not go together.
        {{L"--fast"}, L"--fast replays a scenario: it needs --simulate", 1},
        {{L"--fast", L"--trace", L"t.txt"}, L"it needs --simulate", 1},
        {{L"--survey"}, L"--survey needs a place"},
        {{L"--survey", L"Library/1/Hall", L"--scans"}, L"--scans needs a number"},
        // A survey that cannot be what the user meant.
        {{L"--scans", L"6"}, L"--scans goes with --survey", 1},
        {{L"--survey", L"Library/1/Hall", L"--scans", L"0"}, L"from 1 to 60", 1},
        {{L"--survey", L"Library/1/Hall", L"--scans=1000"}, L"from 1 to 60", 1},
        {{L"--survey", L"Library/1/Hall", L"--scans", L"-3"}, L"from 1 to 60", 1},
        {{L"--survey", L"Library/Hall"}, L"\"BUILDING/FLOOR/LOCATION\"", 1},
        {{L"--survey", L"/1/Hall"}, L"\"BUILDING/FLOOR/LOCATION\"", 1},
        {{L"--survey", L"Library/1/Ha\tll"}, L"cannot hold a tab", 1},
    };
    for (const Case& c : cases) {
        std::wstring error;
        int code = 0;
        EXPECT_FALSE(parseCommandLine(c.args, error, code));
        EXPECT_EQ(code, c.code) << std::string(error.begin(), error.end());
        EXPECT_NE(error.find(c.errorPart), std::wstring::npos)
            << std::string(error.begin(), error.end());
    }
}

// A terminal gets columns; a message box (no fixed-width font) one line per
// option, nothing aligned with spaces. Both name the same options.
TEST(CommandLine, TheUsageInColumnsAndForABox) {
    EXPECT_EQ(
        usageBoxText(),
        L"Usage: nearbeam [OPTION]...\n"
        L"--simulate SCENARIO-FILE: replay a recorded walk instead of the adapter\n"
        L"--fast: with --simulate: run the walk's ticks back to back and end when it is over\n"
        L"--trace TRACE-FILE: add what the program decides to TRACE-FILE\n"
        L"--survey \"BUILDING/FLOOR/LOCATION\": record survey scans at that place, one a tick, "
        L"and end when they are stored\n"
        L"--scans N: with --survey: how many scans (1 to 60, default 6)\n"
        L"--help: show this and end\n"
        L"--version: show the version and end\n");
    EXPECT_EQ(usageText(),
              L"Usage: nearbeam [OPTION]...\n"
              L"  --simulate SCENARIO-FILE  replay a recorded walk instead of the adapter\n"
              L"  --fast                    with --simulate: run the walk's ticks back to back\n"
              L"                            and end when it is over\n"
              L"  --trace TRACE-FILE        add what the program decides to TRACE-FILE\n"
              L"  --survey \"BUILDING/FLOOR/LOCATION\"\n"
              L"                            record survey scans at that place, one a tick, and\n"
              L"                            end when they are stored\n"
              L"  --scans N                 with --survey: how many scans (1 to 60, default 6)\n"
              L"  --help                    show this and end\n"
              L"  --version                 show the version and end\n");
}

} // namespace
} // namespace nearbeam
