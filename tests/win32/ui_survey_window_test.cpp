// The Survey window over a copy of the demo records: its fields start at the
// current place, it hands them to the survey, shows the survey's progress when
// told of a tick, and closing it stops the survey.

#include "base/memory_settings_store.h"
#include "dialog_driver.h"
#include "display_driver.h"
#include "locate/location_database.h"
#include "resource.h"
#include "ui/win32/coverage_window.h"
#include "ui/win32/survey_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

namespace nearbeam::test {
namespace {

template <typename Condition> bool waitUntil(Condition&& condition, int ms = 30000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

HWND findSurveyWindow() {
    HWND found = nullptr;
    waitUntil([&] {
        found = FindWindowW(L"#32770", L"Nearbeam Survey");
        return found && IsWindowVisible(found);
    });
    return found;
}

TEST(SurveyWindow, RecordsAtTheCurrentPlaceShowsProgressAndStopsWhenClosed) {
    TempDir dir;
    copyDemoData(dir);
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    db.openDatabase(dir.folder());
    std::vector<PlaceKey> taken;
    SurveyModel survey(db, [&](const PlaceKey& place) {
        taken.push_back(place);
        return TakenScan{TakenScan::Outcome::Stored, 2, 2};
    });
    SurveyContext context{survey, db};
    context.currentPlace = [] { return PlaceKey{41, "1", "Reading room"}; };
    std::vector<uint32_t> coverage;
    context.coverage = [&](uint32_t building) { coverage.push_back(building); };

    std::wstring building, location, refused, progress, inRange;
    bool recording = false;
    std::thread driver([&] {
        HWND window = findSurveyWindow();
        if (!window)
            return;
        building = text(window, IDC_SURVEY_BUILDING);
        location = text(window, IDC_SURVEY_LOCATION);
        SetDlgItemTextW(window, IDC_SURVEY_COUNT, L"1000");
        SendMessageW(window, WM_COMMAND, IDOK, 0);
        refused = text(window, IDC_SURVEY_MESSAGE);
        SetDlgItemTextW(window, IDC_SURVEY_COUNT, L"2");
        SendMessageW(window, WM_COMMAND, IDOK, 0);
        recording = !IsWindowEnabled(GetDlgItem(window, IDOK)) &&
                    IsWindowEnabled(GetDlgItem(window, IDC_SURVEY_STOP));
        // The program's tick, as its timer runs it on the window's thread.
        survey.tick(1);
        showSurveyProgress(context);
        progress = text(window, IDC_SURVEY_PROGRESS);
        inRange = text(window, IDC_SURVEY_IN_RANGE);
        press(window, IDC_SURVEY_COVERAGE);
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(openSurveyWindow(GetModuleHandleW(nullptr), nullptr, context));
    driver.join();

    EXPECT_EQ(building, L"Library");
    EXPECT_EQ(location, L"Reading room");
    EXPECT_EQ(refused, L"The number of scans is a whole number from 1 to 60.");
    EXPECT_TRUE(recording);
    EXPECT_EQ(progress, L"1 of 2 scans");
    EXPECT_EQ(inRange, L"Access points in the last scan: 2");
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0], (PlaceKey{41, "1", "Reading room"}));
    EXPECT_EQ(coverage, std::vector<uint32_t>{0});
    EXPECT_EQ(survey.view().state, SurveyState::StoppedEarly);
    EXPECT_EQ(context.open, nullptr);
}

TEST(CoverageWindow, ShowsTheCoveragePageOnce) {
    TempDir dir;
    copyDemoData(dir);
    dir.write("scans.txt", "41\t1\tReading room\t3\t2026-12-08T09:15:00Z\t001a1e4c1001:-50\r\n");
    MemorySettingsStore settings;
    LocationDatabase db{settings};
    db.openDatabase(dir.folder());
    CoverageWindow window(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window.open(db, 41));
    HWND frame = FindWindowW(L"dlgCoverage", L"Survey Coverage");
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(pageFile().find("<b>Library</b> (1 scans)"), std::string::npos) << pageFile();
    ASSERT_TRUE(window.open(db, 0));
    EXPECT_EQ(FindWindowW(L"dlgCoverage", L"Survey Coverage"), frame);
    DestroyWindow(frame);
}

} // namespace
} // namespace nearbeam::test
