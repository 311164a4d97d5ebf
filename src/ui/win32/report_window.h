#pragma once
// A page window that only shows a report the core built (the sharing history,
// the survey coverage): the location page's dialog, one display control filling
// the frame, no menu, and no links to follow.

#include "ui/win32/page_window.h"

#include <windows.h>

#include <string>

namespace nearbeam {

class ReportWindow : public PageWindow {
  protected:
    ReportWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title,
                 const wchar_t* errorCaption);

    // Opens the window, or brings it forward, showing the page. False when it
    // could not be made (the user was told).
    bool showReport(const std::string& page);

  private:
    void start(HWND, HWND) override {}
    // The page holds no links; nothing leaves it.
    bool onLink(HWND, const std::string&) override { return true; }
    bool onCommand(HWND, WORD) override { return false; }
};

} // namespace nearbeam
