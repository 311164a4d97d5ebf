#include "ui/win32/coverage_window.h"

#include "ui/coverage_page.h"

#include <ctime>

namespace nearbeam {

CoverageWindow::CoverageWindow(HINSTANCE instance)
    : ReportWindow(instance, L"dlgCoverage", L"Survey Coverage", L"Survey coverage") {}

bool CoverageWindow::open(LocationDatabase& database, uint32_t building) {
    return showReport(buildCoveragePage(surveyCoverage(database, building), std::time(nullptr)));
}

} // namespace nearbeam
