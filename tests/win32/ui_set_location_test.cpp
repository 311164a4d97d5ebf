// The set-location wizard's window, driven through its controls over a copy of
// the demo database.

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "dialog_driver.h"
#include "locate/location_database.h"
#include "resource.h"
#include "support/temp_dir.h"
#include "ui/win32/dialog_keys.h"
#include "ui/win32/set_location_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace nearbeam::test {
namespace {

using Texts = std::vector<std::wstring>;

class SetLocationWindow : public ::testing::Test {
  protected:
    SetLocationWindow() {
        copyDemoData(dir);
        db.openDatabase(dir.folder());
        context.scanner = [this] { ++scanner; };
        context.saved = [this](const BssidKey&) { ++saved; };
        context.heard = [this] { return heard; };
    }

    HWND frame() const { return setLocationWindow(context); }
    HWND page() const { return shownPage(frame()); }

    // Presses a button that shows message boxes owned by the frame, one after the
    // other; answers each with the next of answers and returns their captions and
    // texts, " | " between them.
    std::wstring pressForMessage(HWND page, int id, std::vector<int> answers = {IDOK}) {
        std::wstring shown;
        HWND owner = frame();
        std::thread watcher([&] {
            HWND answered = nullptr;
            for (int i = 0; i < 1200 && !answers.empty(); ++i) { // at most half a minute
                HWND box = nullptr;
                while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr))) {
                    if (box == answered || GetWindow(box, GW_OWNER) != owner ||
                        !IsWindowVisible(box))
                        continue;
                    wchar_t caption[64] = {}, body[256] = {};
                    GetWindowTextW(box, caption, 64);
                    GetDlgItemTextW(box, 0xFFFF, body, 256);
                    shown += (shown.empty() ? L"" : L" | ") + std::wstring(caption) + L": " + body;
                    PostMessageW(box, WM_COMMAND, answers.front(), 0);
                    answers.erase(answers.begin());
                    answered = box;
                    break;
                }
                Sleep(25);
            }
        });
        press(page, id);
        watcher.join();
        return shown;
    }

    std::string lastLine(const std::string& file) {
        std::string bytes = dir.read(file);
        bytes.resize(bytes.size() - 2);
        return bytes.substr(bytes.rfind('\n') + 1);
    }

    TempDir dir;
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    SetLocationContext context{GetModuleHandleW(nullptr), db};
    int scanner = 0;
    int saved = 0;
    const BssidKey busStop = *BssidKey::fromText("0c8112aa0001");
    const BssidKey lectureHall = *BssidKey::fromText("001a1e4c2002");
    // What the latest scan heard: at the bus stop, with the library far off.
    std::vector<ScanReading> heard{{busStop, -55}, {*BssidKey::fromText("001a1e4c1001"), -84}};
};

TEST_F(SetLocationWindow, PlacesTheBusStopThroughItsPagesAndKeepsEachPagesFields) {
    LocationRecord* seen = nullptr; // the walk looked up the library before the bus stop
    db.lookUpLocation(*BssidKey::fromText("001a1e4c1001"), &seen);
    ASSERT_TRUE(openSetLocationWizard(context, busStop));
    wchar_t title[32] = {};
    GetWindowTextW(frame(), title, 32);
    EXPECT_STREQ(title, L"Where Am I?");
    EXPECT_EQ(GetWindowLongPtrW(frame(), GWL_STYLE) & WS_THICKFRAME, 0);

    HWND area = page(); // the city is known: the Area page comes first
    EXPECT_EQ(text(area, IDC_WIZARD_CITY_LABEL), L"Bergen, Vestland, Norway");
    EXPECT_EQ(items(area, IDC_WIZARD_AREA), (Texts{L"", L"University Quarter"}));
    EXPECT_EQ(text(area, IDC_WIZARD_AREA), L"University Quarter");
    press(area, IDC_WIZARD_NEXT);

    HWND building = page();
    ASSERT_NE(building, area);
    EXPECT_EQ(items(building, IDC_WIZARD_BUILDING),
              (Texts{L"Library", L"Science Building", L"Student Centre"}));
    EXPECT_EQ(items(building, IDC_WIZARD_FLOOR), (Texts{L"Bsmt", L"1", L"2", L"3", L"4", L"5"}));
    EXPECT_EQ(text(building, IDC_WIZARD_KEPT_HERE), L"");
    choose(building, IDC_WIZARD_BUILDING, L"Student Centre");
    EXPECT_EQ(text(building, IDC_WIZARD_STREET), L"Campus Square 3");
    type(building, IDC_WIZARD_BUILDING, L"Campus Square bus stop");
    type(building, IDC_WIZARD_STREET, L"Campus Square");
    type(building, IDC_WIZARD_LOCATION, L"Shelter");

    // Back to the first page and forward again: every page as it was left.
    press(building, IDC_WIZARD_BACK);
    EXPECT_EQ(page(), area);
    press(area, IDC_WIZARD_BACK);
    HWND place = page();
    EXPECT_EQ(text(place, IDC_WIZARD_COUNTRY), L"Norway");
    EXPECT_EQ(items(place, IDC_WIZARD_PROVINCE), Texts{L"Vestland"});
    EXPECT_EQ(text(place, IDC_WIZARD_CITY), L"Bergen");
    type(place, IDC_WIZARD_CITY, L"");
    EXPECT_EQ(pressForMessage(place, IDC_WIZARD_NEXT), L"Where am I?: All fields must be filled");
    choose(place, IDC_WIZARD_CITY, L"Bergen");
    press(place, IDC_WIZARD_NEXT);
    EXPECT_EQ(page(), area);
    press(area, IDC_WIZARD_NEXT);
    EXPECT_EQ(page(), building);
    EXPECT_EQ(text(building, IDC_WIZARD_BUILDING), L"Campus Square bus stop");
    EXPECT_EQ(text(building, IDC_WIZARD_STREET), L"Campus Square");

    // Finished in the science building: asked, "No", nothing saved, still open.
    const std::vector<ScanReading> atTheBusStop = heard;
    heard = {{*BssidKey::fromText("001a1e4c2001"), -47}, {lectureHall, -66}, {busStop, -85}};
    const std::string apBefore = dir.read("ap.txt");
    EXPECT_EQ(pressForMessage(building, IDC_WIZARD_FINISH, {IDNO, IDOK}),
              L"Where am I?: The access points heard now are not those heard when this wizard "
              L"opened. Are you still at Campus Square bus stop, Shelter? | Where am I?: Nothing "
              L"was saved. Press Finish again at the place, or close the wizard.");
    EXPECT_NE(frame(), nullptr);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(dir.read("ap.txt"), apBefore);
    EXPECT_FALSE(dir.exists("scans.txt") && !dir.read("scans.txt").empty());

    // Back at the bus stop: saved, with the scan heard as the wizard opened.
    heard = atTheBusStop;
    heard[0].rssi = -58;
    press(building, IDC_WIZARD_FINISH);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(lastLine("building.txt"),
              "4294967295\t31\t21\tCampus Square bus stop\tCampus Square\t3");
    EXPECT_EQ(lastLine("ap.txt"), "0c8112aa0001\t4294967295\t0\t\tShelter\t3");
    const std::string scan = lastLine("scans.txt");
    EXPECT_EQ(scan.substr(0, 24), "4294967295\t\tShelter\t3\t20");
    EXPECT_EQ(scan.substr(scan.size() - 34), "\t0c8112aa0001:-55\t001a1e4c1001:-84");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 1);
    LocationRecord* placed = nullptr;
    EXPECT_EQ(db.lookUpLocation(busStop, &placed), 0x2000);
}

TEST_F(SetLocationWindow, CorrectsARecordFromItsBuildingPage) {
    db.optedOut().add(lectureHall); // the user may still place it, for here only
    ASSERT_TRUE(openSetLocationWizard(context, lectureHall));
    HWND building = page();
    EXPECT_EQ(text(building, IDC_WIZARD_KEPT_HERE),
              L"This network asked not to be mapped: it stays on this computer.");
    // Cancel (Escape) closes it as it is.
    press(building, IDCANCEL);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_EQ(saved, 0);
    ASSERT_TRUE(openSetLocationWizard(context, lectureHall));
    building = page();
    EXPECT_EQ(text(building, IDC_WIZARD_BUILDING), L"Science Building");
    EXPECT_EQ(text(building, IDC_WIZARD_STREET), L"Lab Road 5");
    EXPECT_EQ(text(building, IDC_WIZARD_FLOOR), L"");
    EXPECT_EQ(text(building, IDC_WIZARD_LOCATION), L"Lecture hall");

    type(building, IDC_WIZARD_BUILDING, L"");
    EXPECT_EQ(pressForMessage(building, IDC_WIZARD_FINISH),
              L"Where am I?: You must specify a building name");
    choose(building, IDC_WIZARD_BUILDING, L"Science Building");
    type(building, IDC_WIZARD_FLOOR, L"1");
    press(building, IDC_WIZARD_FINISH);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_EQ(lastLine("ap.txt"), "001a1e4c2002\t42\t51\t1\tLecture hall\t6");
}

TEST_F(SetLocationWindow, OneWizardAtATimeAndMinimisingClosesIt) {
    ASSERT_TRUE(openSetLocationWizard(context, busStop));
    HWND first = frame();
    SendMessageW(first, WM_COMMAND, IDM_SCANNER, 0);
    EXPECT_EQ(scanner, 1);
    type(page(), IDC_WIZARD_COUNTRY, L"Norway");

    ASSERT_TRUE(openSetLocationWizard(context, busStop)); // the same access point: as it is
    EXPECT_EQ(frame(), first);
    EXPECT_EQ(text(page(), IDC_WIZARD_COUNTRY), L"Norway");

    ASSERT_TRUE(openSetLocationWizard(context, lectureHall)); // another: begun anew
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(text(page(), IDC_WIZARD_BUILDING), L"Science Building");

    // The program's message loop gives the pages their keys: Tab moves on.
    HWND building = page();
    SetFocus(GetDlgItem(building, IDC_WIZARD_STREET));
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(handleDialogKeys(tab));
    EXPECT_EQ(GetParent(GetFocus()), GetDlgItem(building, IDC_WIZARD_FLOOR));

    ShowWindow(frame(), SW_MINIMIZE);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);
}

} // namespace
} // namespace nearbeam::test
