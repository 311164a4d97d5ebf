#include "ui/win32/sharing_window.h"

#include "resource.h"
#include "services/sharing_log.h"
#include "ui/sharing_page.h"

namespace nearbeam {

// The location page's dialog: one display control filling the frame, and no menu.
SharingHistoryWindow::SharingHistoryWindow(HINSTANCE instance)
    : PageWindow(instance, {L"dlgSharing",
                            L"Sharing History",
                            0,
                            IDD_LOCATION,
                            {IDC_DISPLAY},
                            L"Sharing history",
                            true}) {}

bool SharingHistoryWindow::open(const std::string& logPath) {
    HWND frame = openFrame();
    if (!frame)
        return false;
    showHtml(GetWindow(frame, GW_CHILD), buildSharingPage(SharingLog(logPath).entries()));
    return true;
}

} // namespace nearbeam
