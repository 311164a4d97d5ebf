#include "ui/linux/coverage_window.h"

#include "ui/coverage_page.h"

#include <ctime>

namespace nearbeam {

namespace {
constexpr int kWidth = 560;
constexpr int kHeight = 480;
} // namespace

CoverageWindow::CoverageWindow() : PageWindow(QStringLiteral("Survey Coverage")) {
    resize(kWidth, kHeight);
}

void CoverageWindow::open(LocationDatabase& database, uint32_t building) {
    setPage(buildCoveragePage(surveyCoverage(database, building), std::time(nullptr)));
    present();
}

} // namespace nearbeam
