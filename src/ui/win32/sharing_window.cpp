#include "ui/win32/sharing_window.h"

#include "services/sharing_log.h"
#include "ui/sharing_page.h"

namespace nearbeam {

SharingHistoryWindow::SharingHistoryWindow(HINSTANCE instance)
    : ReportWindow(instance, L"dlgSharing", L"Sharing History", L"Sharing history") {}

bool SharingHistoryWindow::open(const std::string& logPath) {
    return showReport(buildSharingPage(SharingLog(logPath).entries()));
}

} // namespace nearbeam
