#include "ui/linux/sharing_window.h"

#include "services/sharing_log.h"
#include "ui/sharing_page.h"

namespace nearbeam {

// Wide enough for a time, a service and a short address on one line each.
SharingHistoryWindow::SharingHistoryWindow()
    : ReportWindow(QStringLiteral("Sharing History"), 720, 420) {}

void SharingHistoryWindow::open(const std::string& logPath) {
    showReport(buildSharingPage(SharingLog(logPath).entries()));
}

} // namespace nearbeam
