// The tray on the offscreen platform (no notification area there): the tooltip,
// its icon, and the link a click on an alert hands on.

#include "app/linux/tray.h"
#include "app/linux/xdg_paths.h"
#include "support/temp_dir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace nearbeam::test {
namespace {

TEST(Tray, AnAlertsClickHandsItsLinkToTheProgramOnce) {
    std::vector<std::wstring> clicked;
    TrayActions actions;
    actions.alertClicked = [&](const std::wstring& link) { clicked.push_back(link); };
    Tray tray(actions);

    tray.setStatus(kIconNormal, std::wstring(100, L'x'));
    EXPECT_EQ(tray.tooltip(), QString(63, QLatin1Char('x')));
    EXPECT_FALSE(tray.icon().icon().isNull());

    tray.showAlert(L"Welcome", L"Nearbeam Subscription", L"http://s.example/a");
    QCoreApplication::processEvents();
    tray.alertClicked();
    tray.alertClicked();
    // Opening the menu forgets the alert.
    tray.showAlert(L"x", L"y", L"https://s.example/b");
    Q_EMIT tray.menu().aboutToShow();
    tray.alertClicked();
    EXPECT_EQ(clicked, (std::vector<std::wstring>{L"http://s.example/a", L"", L""}));
}

TEST(XdgPaths, TheDataFolderFollowsTheEnvironment) {
    const struct {
        const char* dataHome;
        const char* home;
        std::string folder;
    } cases[] = {{"/x/data", "/h", "/x/data/nearbeam/"},
                 {"/x/data/", "/h", "/x/data/nearbeam/"},
                 {"", "/h", "/h/.local/share/nearbeam/"},
                 {"relative", "/h/", "/h/.local/share/nearbeam/"},
                 {nullptr, nullptr, ""}};
    const std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const auto& c : cases) {
        c.dataHome ? setenv("XDG_DATA_HOME", c.dataHome, 1) : unsetenv("XDG_DATA_HOME");
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        EXPECT_EQ(userDataFolder(), c.folder) << (c.dataHome ? c.dataHome : "(unset)");
    }
    savedData.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    setenv("HOME", savedHome.c_str(), 1);
    // Beside the program in the build tree, else the install's share folder.
    TempDir built;
    built.write("manufacturers.dat", "");
    EXPECT_EQ(shareFolder(built.file("nearbeam")), built.folder());
    EXPECT_EQ(shareFolder("/usr/bin/nearbeam"), "/usr/share/nearbeam/");
}

} // namespace
} // namespace nearbeam::test
