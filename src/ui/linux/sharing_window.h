#pragma once
// The sharing history window, "Sharing History": the page of what was sent to
// which service, newest first. Opened from the Options dialog.

#include "ui/linux/report_window.h"

#include <string>

namespace nearbeam {

class SharingHistoryWindow : public ReportWindow {
    Q_OBJECT
  public:
    SharingHistoryWindow();

    // Shows the log at logPath as it is now, and brings the window up.
    void open(const std::string& logPath);
};

} // namespace nearbeam
