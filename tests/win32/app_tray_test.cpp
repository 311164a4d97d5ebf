// The tray shell's own behaviour, on a main window made in the test process.

#include "app/win32/main_window.h"
#include "app_program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace nearbeam {
namespace {

constexpr UINT kIconMessage = 0x401;

bool iconExists(HWND window) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = NOTIFYICONDATAW_V3_SIZE;
    probe.hWnd = window;
    probe.uID = 0;
    probe.uFlags = NIF_TIP;
    wcscpy(probe.szTip, L"probe");
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

class TrayShell : public ::testing::Test {
  protected:
    void SetUp() override {
        instance = GetModuleHandleW(nullptr);
        static const bool registered = MainWindow::registerClass(instance, L"NEARBEAM-TEST");
        ASSERT_TRUE(registered);
        ASSERT_TRUE(window.create(instance, L"NEARBEAM-TEST", L"Tray test"));
        TrayActions actions;
        actions.tick = [this] { ++ticks; };
        actions.whereAmI = [this] { ++whereAmI; };
        actions.newSubscriptions = [this] { ++newSubscriptions; };
        actions.scanner = [this] { ++scanner; };
        actions.alertClicked = [this](const std::wstring& link) { clicked.push_back(link); };
        window.setActions(actions);
    }
    void TearDown() override {
        if (IsWindow(window.handle()))
            DestroyWindow(window.handle());
        MSG message; // the WM_QUIT of the window's end
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    LRESULT iconEvent(UINT event) { return SendMessageW(window.handle(), kIconMessage, 0, event); }

    HINSTANCE instance = nullptr;
    MainWindow window;
    int ticks = 0, whereAmI = 0, newSubscriptions = 0, scanner = 0;
    std::vector<std::wstring> clicked; // the links clicked alerts handed on
};

TEST_F(TrayShell, TheWindowIsHiddenAndOwnsTheIcon) {
    EXPECT_FALSE(IsWindowVisible(window.handle()));
    EXPECT_TRUE(iconExists(window.handle()));
    SendMessageW(window.handle(), WM_TIMER, 7, 0); // any timer ticks
    EXPECT_EQ(ticks, 1);
    DestroyWindow(window.handle());
    EXPECT_FALSE(IsWindow(window.handle()));
}

TEST_F(TrayShell, TheIconLeavesWithTheWindowAndReturnsWithANewTaskbar) {
    HWND handle = window.handle();
    NOTIFYICONDATAW gone{};
    gone.cbSize = NOTIFYICONDATAW_V3_SIZE;
    gone.hWnd = handle;
    Shell_NotifyIconW(NIM_DELETE, &gone); // as if Explorer had restarted
    EXPECT_FALSE(iconExists(handle));
    SendMessageW(handle, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(iconExists(handle));

    // Destroying the window removes the icon; later alerts from another thread
    // find no icon and do no harm.
    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(iconExists(handle));
    window.showAlert(L"late", L"Nearbeam Subscription", L"http://example.org/");
}

TEST_F(TrayShell, TheMenuHasItsItemsInOrder) {
    HMENU menu = MainWindow::buildMenu(false);
    struct Item {
        UINT id;
        const wchar_t* text;
    };
    const Item items[] = {
        {113, L"&Where am I?"}, {40053, L"&Scanner"},      {0, nullptr},
        {40071, L"&Upload..."}, {40090, L"Sur&vey..."},    {40013, L"&Options..."},
        {0, nullptr},           {40080, L"&Private mode"}, {40018, L"E&xit"}};
    ASSERT_EQ(GetMenuItemCount(menu), 9);
    for (int i = 0; i < 9; ++i) {
        MENUITEMINFOW info{};
        wchar_t text[64] = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        if (!items[i].text) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << i;
        } else {
            EXPECT_EQ(info.wID, items[i].id);
            EXPECT_STREQ(text, items[i].text);
        }
    }
    EXPECT_EQ(GetMenuState(menu, 40080, MF_BYCOMMAND) & MF_CHECKED, 0u);
    DestroyMenu(menu);
    menu = MainWindow::buildMenu(true);
    EXPECT_EQ(GetMenuState(menu, 40080, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    DestroyMenu(menu);
}

TEST_F(TrayShell, CommandsReachTheirActions) {
    EXPECT_EQ(SendMessageW(window.handle(), WM_COMMAND, 101, 0), 1);
    EXPECT_EQ(newSubscriptions, 1);
    SendMessageW(window.handle(), WM_COMMAND, 113, 0);
    EXPECT_EQ(whereAmI, 1);
    SendMessageW(window.handle(), WM_COMMAND, 40053, 0);
    EXPECT_EQ(scanner, 1);
    // Commands without an action yet do nothing.
    SendMessageW(window.handle(), WM_COMMAND, 40013, 0);
    EXPECT_EQ(iconEvent(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(whereAmI, 2);
    SendMessageW(window.handle(), WM_COMMAND, 40018, 0);
    EXPECT_FALSE(IsWindow(window.handle()));
}

TEST_F(TrayShell, AClickOnAnAlertHandsItsLinkOnOnce) {
    window.showAlert(L"Coffee is on us", L"Nearbeam Subscription", L"http://cafe.example.org/");
    iconEvent(0x405);
    iconEvent(0x405);
    EXPECT_EQ(clicked, (std::vector<std::wstring>{L"http://cafe.example.org/", L""}));
}

TEST_F(TrayShell, HidingOrTimeoutDropsThePendingLink) {
    for (UINT drop : {0x403u, 0x404u}) {
        window.showAlert(L"text", L"title", L"http://a.example.org/");
        iconEvent(drop);
        iconEvent(0x405);
    }
    // A newer alert without a link replaces the older one's link.
    window.showAlert(L"text", L"title", L"http://b.example.org/");
    window.showAlert(L"text", L"Your location...", L"");
    iconEvent(0x405);
    EXPECT_EQ(clicked, (std::vector<std::wstring>{L"", L"", L""}));
}

TEST_F(TrayShell, AlertsFromAnotherThreadNeverMixLinks) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            window.showAlert(L"text", L"title", L"http://example.org/" + std::to_wstring(i));
        }
        done = true;
    });
    std::set<std::wstring> seen;
    while (!done) {
        const std::wstring link = window.takePendingLink();
        if (!link.empty())
            seen.insert(link);
    }
    worker.join();
    for (const auto& link : seen)
        EXPECT_EQ(link.rfind(L"http://example.org/", 0), 0u);
}

// The tray shows small icons: the program's images drawn for that size are the
// ones loaded, not the large ones shrunk by the shell.
TEST(TrayIcons, AreLoadedAtTheNotificationAreaSize) {
    const std::wstring program = test::builtProgram().wstring();
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    for (int id : {122, 123, 124, 125}) {
        HICON icon = TrayIcon::loadTrayIcon(module, id);
        ASSERT_NE(icon, nullptr) << id;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info)) << id;
        BITMAP bitmap{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON)) << id;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    FreeLibrary(module);
}

} // namespace
} // namespace nearbeam
