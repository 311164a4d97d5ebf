#include "ui/win32/coverage_window.h"

#include "resource.h"
#include "ui/coverage_page.h"

#include <ctime>

namespace nearbeam {

// The location page's dialog: one display control filling the frame, and no menu.
CoverageWindow::CoverageWindow(HINSTANCE instance)
    : PageWindow(instance, {L"dlgCoverage",
                            L"Survey Coverage",
                            0,
                            IDD_LOCATION,
                            {IDC_DISPLAY},
                            L"Survey coverage",
                            true}) {}

bool CoverageWindow::open(LocationDatabase& database, uint32_t building) {
    HWND frame = openFrame();
    if (!frame)
        return false;
    showHtml(GetWindow(frame, GW_CHILD),
             buildCoveragePage(surveyCoverage(database, building), std::time(nullptr)));
    return true;
}

} // namespace nearbeam
