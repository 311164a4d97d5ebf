#pragma once
// A page window that only shows a report the core built (the sharing history,
// the survey coverage): its page holds no links, so nothing leaves it.

#include "ui/linux/page_window.h"

#include <string>

namespace nearbeam {

class ReportWindow : public PageWindow {
    Q_OBJECT
  public:
    ReportWindow(const QString& title, int width, int height);

  protected:
    // Shows the page and brings the window up.
    void showReport(const std::string& html);
    void onLink(const QUrl&) override {}
};

} // namespace nearbeam
