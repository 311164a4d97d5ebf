#include "ui/linux/coverage_window.h"

#include "ui/coverage_page.h"

#include <ctime>

namespace nearbeam {

CoverageWindow::CoverageWindow() : ReportWindow(QStringLiteral("Survey Coverage"), 560, 480) {}

void CoverageWindow::open(LocationDatabase& database, uint32_t building) {
    showReport(buildCoveragePage(surveyCoverage(database, building), std::time(nullptr)));
}

} // namespace nearbeam
