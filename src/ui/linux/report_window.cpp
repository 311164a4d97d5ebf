#include "ui/linux/report_window.h"

namespace nearbeam {

ReportWindow::ReportWindow(const QString& title, int width, int height) : PageWindow(title) {
    resize(width, height);
}

void ReportWindow::showReport(const std::string& html) {
    setPage(html);
    present();
}

} // namespace nearbeam
