#include "ui/linux/sharing_window.h"

#include "services/sharing_log.h"
#include "ui/sharing_page.h"

namespace nearbeam {

SharingHistoryWindow::SharingHistoryWindow() : PageWindow(QStringLiteral("Sharing History"), {}) {}

void SharingHistoryWindow::open(const std::string& logPath) {
    setPage(buildSharingPage(SharingLog(logPath).entries()));
    present();
}

} // namespace nearbeam
