// The Scanner window on the simulated adapter: its rows, links and menu.

#include "display_driver.h"

#include "base/settings_keys.h"
#include "base/win32/registry_settings_store.h"
#include "locate/location_database.h"
#include "resource.h"
#include "support/temp_dir.h"
#include "ui/win32/scanner_window.h"
#include "wireless/simulated_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace nearbeam::test {
namespace {

constexpr const char* kScenario = "at 0\n"
                                  "ap 00:11:22:33:44:55 -40 2437000 infra wep \"Campus\"\n"
                                  "ap 02:aa:bb:cc:dd:ee -60 2412000 adhoc open \"<b>Phone</b>\"\n"
                                  "ap 00:11:22:33:66:77 -50 2462000 infra open "
                                  "\"Caf\\xc3\\xa9 \\xe2\\x98\\x95\"\n"
                                  "associated 00:11:22:33:44:55\n";

class ScannerWindowTest : public ::testing::Test {
  protected:
    ScannerWindowTest() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam");
        settings::write(store, settings::RssiMin, -100);
        settings::write(store, settings::RssiMax, 0);
        dir.write("building.txt", "4\t0\t0\tLibrary\t\t0\r\n");
        dir.write("ap.txt", "001122334455\t4\t0\t2\tRoom 5\t0\r\n");
        db.openDatabase(dir.folder());
        std::vector<std::unique_ptr<WirelessDriver>> drivers;
        drivers.push_back(std::make_unique<SimulatedDriver>(
            clock, std::move(*parseScenario(kScenario).scenario)));
        device = std::make_unique<WirelessDevice>(store, std::move(drivers));
        window = std::make_unique<ScannerWindow>(
            GetModuleHandleW(nullptr),
            ScannerContext(ScannerParts(*device, db, manufacturers, scanSettings), store));
        window->context().showPage = [this](const std::wstring& bssid) { pages.push_back(bssid); };
    }
    ~ScannerWindowTest() override {
        if (HWND frame = FindWindowW(L"dlgScanner", L"WiFi Scanner"))
            DestroyWindow(frame);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam");
    }

    HWND dialog(HWND frame) const { return GetWindow(frame, GW_CHILD); }
    void refresh(HWND frame) { SendMessageW(dialog(frame), WM_TIMER, IDT_SCANNER, 0); }
    bool checked(HWND frame, UINT command) const {
        return (GetMenuState(GetMenu(frame), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    int32_t setting(const settings::NumberSetting& s) { return settings::read(store, s); }

    TempDir dir;
    RegistrySettingsStore store;
    LocationDatabase db{store};
    ManualClock clock;
    ManufacturerTable manufacturers{dir.file("manufacturers.dat"), clock};
    ScanSettings scanSettings;
    std::unique_ptr<WirelessDevice> device;
    std::unique_ptr<ScannerWindow> window;
    std::vector<std::wstring> pages;
};

TEST_F(ScannerWindowTest, OpensOnceAndWritesTheRowsOfTheAccessPointsInRange) {
    HWND frame = window->open();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(window->open(), frame);
    const std::string page = pageFile();
    EXPECT_NE(page.find("<base href='file://"), std::string::npos) << page;
    EXPECT_NE(page.find("<p><a href='wifi://001122334455'>Room 5, 2nd floor, Library</a></p><table "
                        "cellspacing='0' cellpadding='0'><tr><td>"
                        "<img width='60' height='8' src='bar-red.png' />"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<p><a href='wifi://'>02 aa bb cc dd ee</a></p><table cellspacing='0' "
                        "cellpadding='0'><tr><td><img width='40' "
                        "height='8' src='bar-blue.png' />"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("src='adhoc.png'> &lt;b&gt;Phone&lt;/b&gt;</cite></td></tr></table>"),
              std::string::npos)
        << page;
    EXPECT_TRUE(checked(frame, IDM_ACTIVE_SCAN));
    EXPECT_TRUE(checked(frame, IDM_SPEED_5));
}

TEST_F(ScannerWindowTest, ANetworkNamedInUtf8ShowsAsItsCharacters) {
    ASSERT_NE(window->open(), nullptr);
    const std::string page = pageFile();
    EXPECT_NE(page.find("<cite>Caf&#233; &#9749;</cite></td></tr></table>"), std::string::npos)
        << page;
}

TEST_F(ScannerWindowTest, MenuChoicesAreRememberedAndTakeEffect) {
    HWND frame = window->open();
    ASSERT_NE(frame, nullptr);
    struct Case {
        UINT command;
        settings::NumberSetting setting;
    };
    const Case toggles[] = {{IDM_ACTIVE_SCAN, settings::ActiveScan},
                            {IDM_VIEW_COMPACT, settings::ViewCompact},
                            {IDM_VIEW_BSSID, settings::ViewBssid},
                            {IDM_VIEW_MANUFACTURER, settings::ViewManufacturer},
                            {IDM_VIEW_CHANNEL, settings::ViewChannel}};
    for (const Case& c : toggles) {
        const bool before = checked(frame, c.command);
        SendMessageW(frame, WM_COMMAND, c.command, 0);
        EXPECT_NE(checked(frame, c.command), before) << c.command;
        EXPECT_EQ(setting(c.setting), before ? 0 : 1) << c.command;
    }
    SendMessageW(frame, WM_COMMAND, IDM_SPEED_1, 0);
    EXPECT_EQ(setting(settings::ScanInterval), 1000);
    EXPECT_TRUE(checked(frame, IDM_SPEED_1));
    EXPECT_FALSE(checked(frame, IDM_SPEED_5));

    // Compact rows with the partial BSSID and the channel.
    refresh(frame);
    EXPECT_NE(pageFile().find("<img width='30' height='8' src='bar-red.png' /><img width='1' "
                              "height='8' src='bar-black.png' /><img width='20' height='8' "
                              "src='bar-grey.png' /> <a href='wifi://001122334455'>Room 5, 2nd "
                              "floor, Library</a><cite><img width='7' height='8' src='wep.png'> "
                              "Campus, 4455, ch 6</cite><br/>"),
              std::string::npos)
        << pageFile();
    SendMessageW(frame, WM_COMMAND, IDM_CLEAR, 0);
    SendMessageW(frame, WM_COMMAND, IDM_VIEW_CHANNEL, 0);
    EXPECT_EQ(setting(settings::ViewChannel), 0);

    // A new window starts from what was remembered.
    DestroyWindow(frame);
    frame = window->open();
    EXPECT_FALSE(checked(frame, IDM_ACTIVE_SCAN));
    EXPECT_TRUE(checked(frame, IDM_VIEW_COMPACT));
    EXPECT_TRUE(checked(frame, IDM_SPEED_1));
}

TEST_F(ScannerWindowTest, ARowsLinkOpensItsPageAndAMobileDeviceIsExplained) {
    HWND frame = window->open();
    ASSERT_NE(frame, nullptr);
    HWND display = GetDlgItem(dialog(frame), IDC_DISPLAY);
    EXPECT_EQ(beforeNavigate(display, L"wifi://001122334455"), VARIANT_TRUE);
    EXPECT_EQ(pages, std::vector<std::wstring>{L"001122334455"});

    // The message box is modal: read and close it from another thread.
    std::atomic<bool> seen{false};
    std::wstring text;
    std::thread closer([&] {
        for (int i = 0; i < 1200 && !seen; ++i) { // at most half a minute
            HWND box = FindWindowW(L"#32770", L"WiFi Scanner");
            wchar_t buffer[200] = {};
            if (box && IsWindowVisible(box) && GetDlgItemTextW(box, 0xFFFF, buffer, 200) > 0) {
                text = buffer;
                seen = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(25);
        }
    });
    EXPECT_EQ(beforeNavigate(display, L"wifi://"), VARIANT_TRUE);
    closer.join();
    EXPECT_EQ(text, L"This is a mobile device, so you can't give it a location.");
    EXPECT_EQ(pages.size(), 1u);
    // Other links are left to the page.
    EXPECT_EQ(beforeNavigate(display, L"http://example.org/"), VARIANT_FALSE);
}

} // namespace
} // namespace nearbeam::test
