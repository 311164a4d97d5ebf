#pragma once
// The sharing history window, "Sharing History" (frame class "dlgSharing"): one
// display control showing, newest first, what was sent to which service. Opened
// from the Options dialog.

#include "ui/win32/report_window.h"

#include <windows.h>

#include <string>

namespace nearbeam {

class SharingHistoryWindow : public ReportWindow {
  public:
    explicit SharingHistoryWindow(HINSTANCE instance);

    // Opens the window, or brings it forward, showing the log at logPath as it is
    // now. False when it could not be made (the user was told).
    bool open(const std::string& logPath);
};

} // namespace nearbeam
