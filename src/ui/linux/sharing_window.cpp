#include "ui/linux/sharing_window.h"

#include "services/sharing_log.h"
#include "ui/sharing_page.h"

namespace nearbeam {

namespace {
// Wide enough for a time, a service and a short address on one line each.
constexpr int kWidth = 720;
constexpr int kHeight = 420;
} // namespace

SharingHistoryWindow::SharingHistoryWindow() : PageWindow(QStringLiteral("Sharing History")) {
    resize(kWidth, kHeight);
}

void SharingHistoryWindow::open(const std::string& logPath) {
    setPage(buildSharingPage(SharingLog(logPath).entries()));
    present();
}

} // namespace nearbeam
