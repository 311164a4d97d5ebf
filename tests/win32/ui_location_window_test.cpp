// The "Where Am I?" window: opened once, its page written, links and menu.

#include "display_driver.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "locate/location_database.h"
#include "resource.h"
#include "support/temp_dir.h"
#include "ui/location_page.h"
#include "ui/win32/location_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

class LocationWindow : public ::testing::Test {
  protected:
    LocationWindow() {
        dir.write("city.txt", "3\t0\tRivertown\t0\r\n");
        dir.write("building.txt", "4\t0\t3\tMain Hall\t1 Elm St\t0\r\n"
                                  "5\t0\t3\tCafe <Bleu>\t\t0\r\n");
        dir.write("ap.txt", "001122334455\t4\t0\t3\tRoom 5\t0\r\n"
                            "0a0b0c0d0e0f\t5\t0\t\t\t0\r\n");
        db.openDatabase(dir.folder());
        settings::write(store, settings::Server, L"127.0.0.1:8080");
        context.setLocation = [this](const BssidKey& key) { edited.push_back(key.str()); };
        context.scanner = [this] { ++scanners; };
        context.openLink = [this](const std::wstring& link) { opened.push_back(link); };
    }
    ~LocationWindow() override {
        if (HWND frame = this->frame())
            DestroyWindow(frame);
    }

    HWND frame() const { return FindWindowW(L"dlgLocation", L"You Are Here"); }
    HWND display() const { return GetDlgItem(GetWindow(frame(), GW_CHILD), IDC_DISPLAY); }
    std::string expectedPage(const char* digits) {
        return buildLocationPage(*db.locations().find(*BssidKey::fromText(digits)), db.services(),
                                 "127.0.0.1:8080");
    }

    TempDir dir;
    MemorySettingsStore store;
    LocationDatabase db{store};
    LocationPageContext context{db, store};
    std::vector<std::string> edited;
    std::vector<std::wstring> opened;
    int scanners = 0;
};

TEST_F(LocationWindow, OpensOnceAndShowsThePageOfTheAccessPointAskedFor) {
    LocationPageWindow window(GetModuleHandleW(nullptr), context);
    ASSERT_TRUE(window.openLocationPage(L"001122334455"));
    HWND first = frame();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(pageFile(), expectedPage("001122334455"));
    EXPECT_NE(pageFile().find("127.0.0.1:8080/services/mapredirect/"), std::string::npos);

    // A second access point: the same frame, its page rebuilt for the new one.
    ASSERT_TRUE(window.openLocationPage(L"0A0B0C0D0E0F"));
    EXPECT_EQ(frame(), first);
    EXPECT_EQ(pageFile(), expectedPage("0a0b0c0d0e0f"));
    EXPECT_NE(pageFile().find("<b>Cafe &lt;Bleu&gt;</b>"), std::string::npos);

    // Edit corrects the place shown, and closes the page.
    SendMessageW(first, WM_COMMAND, IDM_EDIT_LOCATION, 0);
    EXPECT_EQ(edited, std::vector<std::string>{"0a0b0c0d0e0f"});
    EXPECT_EQ(frame(), nullptr);
}

TEST_F(LocationWindow, AnAccessPointWithoutARecordGoesToTheWizard) {
    LocationPageWindow window(GetModuleHandleW(nullptr), context);
    EXPECT_TRUE(window.openLocationPage(L"aabbccddeeff"));
    EXPECT_EQ(edited, std::vector<std::string>{"aabbccddeeff"});
    EXPECT_EQ(frame(), nullptr);
    EXPECT_FALSE(window.openLocationPage(L"not an address"));
}

TEST_F(LocationWindow, OnlyWebAndMailLinksLeaveThePageAndNoneLoadsInIt) {
    LocationPageWindow window(GetModuleHandleW(nullptr), context);
    ASSERT_TRUE(window.openLocationPage(L"001122334455"));
    const wchar_t* links[] = {L"http://example.org/", L"mailto:a@example.org",
                              L"javascript:alert(1)", L"\\\\server\\share\\run.exe",
                              L"about:blank"};
    for (const wchar_t* link : links)
        EXPECT_EQ(beforeNavigate(display(), link), VARIANT_TRUE) << link;
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"http://example.org/", L"mailto:a@example.org"}));
    // The building's coverage link opens the coverage window, never the shell.
    std::vector<uint32_t> coverage;
    window.context().coverage = [&](uint32_t building) { coverage.push_back(building); };
    EXPECT_EQ(beforeNavigate(display(), L"nearbeam:coverage?building=4"), VARIANT_TRUE);
    EXPECT_EQ(coverage, std::vector<uint32_t>{4});
    EXPECT_EQ(opened.size(), 2u);

    SendMessageW(frame(), WM_COMMAND, IDM_SCANNER, 0);
    EXPECT_EQ(scanners, 1);
    // Minimising closes the page.
    ShowWindow(frame(), SW_MINIMIZE);
    EXPECT_EQ(frame(), nullptr);
}

} // namespace
} // namespace nearbeam::test
