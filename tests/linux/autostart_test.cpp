// The log-in start file: how the program's path is written into it, and when an
// existing file counts as switched on.

#include "base/linux/autostart.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(Autostart, TheProgramPathIsQuotedOnlyWhenItMustBe) {
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/usr/bin/nearbeam", "/usr/bin/nearbeam"},
        {"/home/a b/nearbeam", "\"/home/a b/nearbeam\""},
        {"/opt/100%/nearbeam", "/opt/100%%/nearbeam"},
        {"/opt/$x/`y`/nearbeam", "\"/opt/\\\\$x/\\\\`y\\\\`/nearbeam\""},
        {"/opt/a\\b\"c/nearbeam", "\"/opt/a\\\\\\\\b\\\\\"c/nearbeam\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(desktopExecArgument(c.path), c.exec) << c.path;
}

// TryExec (the entry is skipped once the program is gone) holds the path as a
// plain string: unquoted, with a backslash escaped.
TEST(Autostart, TheEntryIsSkippedOnceTheProgramIsGone) {
    const struct {
        const char* path;
        const char* line;
    } cases[] = {
        {"/home/a b/nearbeam", "\nTryExec=/home/a b/nearbeam\n"},
        {"/opt/a\\b/nearbeam", "\nTryExec=/opt/a\\\\b/nearbeam\n"},
    };
    for (const auto& c : cases) {
        TempDir config;
        ASSERT_TRUE(Autostart(config.path().string(), c.path).setEnabled(true));
        EXPECT_NE(config.read("autostart/nearbeam.desktop").find(c.line), std::string::npos)
            << c.path;
    }
}

TEST(Autostart, AnExistingEntryIsOnUnlessADesktopSwitchedItOff) {
    const struct {
        const char* extra;
        bool on;
    } cases[] = {
        {"", true},
        {"Hidden=true\n", false},
        {"Hidden=false\n", true},
        {"X-GNOME-Autostart-enabled=false\r\n", false},
        {"X-GNOME-Autostart-enabled=true\n", true},
    };
    for (const auto& c : cases) {
        TempDir config;
        Autostart autostart(config.path().string(), "/usr/bin/nearbeam");
        EXPECT_FALSE(autostart.enabled());
        ASSERT_TRUE(autostart.setEnabled(true));
        std::string entry = config.read("autostart/nearbeam.desktop");
        config.write("autostart/nearbeam.desktop", entry + c.extra);
        EXPECT_EQ(autostart.enabled(), c.on) << c.extra;
        EXPECT_TRUE(autostart.setEnabled(false));
        EXPECT_FALSE(config.exists("autostart/nearbeam.desktop"));
    }
}

} // namespace
} // namespace nearbeam::test
