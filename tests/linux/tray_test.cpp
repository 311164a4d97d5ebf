// The tray on the offscreen platform (no notification area there): the tooltip,
// and where a click on an alert leads.

#include "app/linux/tray.h"
#include "app/linux/xdg_paths.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace nearbeam::test {
namespace {

TEST(Tray, AnAlertsClickFollowsItsLinkOnceOrShowsTheUnrecognisedPlace) {
    LookupStatus status = status::kFound;
    int whereAmI = 0;
    std::vector<std::wstring> opened;
    TrayActions actions;
    actions.whereAmI = [&] { ++whereAmI; };
    actions.lastStatus = [&] { return status; };
    actions.openLink = [&](const std::wstring& link) { opened.push_back(link); };
    Tray tray(QStringLiteral(NEARBEAM_BINARY_DIR "/"), actions);

    tray.setStatus(kIconNormal, std::wstring(100, L'x'));
    EXPECT_EQ(tray.tooltip(), QString(63, QLatin1Char('x')));
    EXPECT_FALSE(tray.icon().icon().isNull());

    tray.showAlert(L"Welcome", L"Nearbeam Subscription", L"http://s.example/a");
    QCoreApplication::processEvents();
    tray.alertClicked();
    tray.alertClicked();
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"http://s.example/a"}));

    // Only web links; opening the menu forgets the alert.
    tray.showAlert(L"x", L"y", L"file:///etc/passwd");
    tray.alertClicked();
    tray.showAlert(L"x", L"y", L"https://s.example/b");
    Q_EMIT tray.menu().aboutToShow();
    tray.alertClicked();
    EXPECT_EQ(opened.size(), 1u);

    // An unrecognised place: the page of the strongest access point, not the link.
    status = status::kAskedUnknown | status::kUnrecognisedBit;
    tray.showAlert(L"x", L"y", L"https://s.example/c");
    tray.alertClicked();
    EXPECT_EQ(whereAmI, 1);
    status = status::kFound;
    tray.alertClicked();
    EXPECT_EQ(opened.size(), 1u);
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
    EXPECT_EQ(shareFolder(NEARBEAM_BINARY_DIR "/nearbeam"), NEARBEAM_BINARY_DIR "/");
    EXPECT_EQ(shareFolder("/usr/bin/nearbeam"), "/usr/share/nearbeam/");
}

} // namespace
} // namespace nearbeam::test
