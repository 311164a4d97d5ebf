#pragma once
// The Scanner window ("WiFi Scanner", class "dlgScanner", menu 102): the access
// points in range as a page in a display control (template 118), refreshed on a
// timer of its own. A click on a row opens that access point's page; the menu
// sets the update speed, active scanning and the details shown, all remembered.

#include "base/settings_store.h"
#include "ui/scanner_model.h"
#include "ui/win32/display_control.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

class ScannerWindow {
  public:
    ScannerWindow(HINSTANCE instance, ScannerContext context);
    ScannerWindow(const ScannerWindow&) = delete;
    ScannerWindow& operator=(const ScannerWindow&) = delete;

    // Opens the window, or brings the open one forward. Null on failure (the user
    // was told).
    HWND open();

    ScannerContext& context() { return context_; }

  private:
    static LRESULT CALLBACK frameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void start(HWND frame);
    LRESULT onCommand(HWND frame, WORD command);
    INT_PTR onLink(HWND dialog, const DisplayLinkNotify& notify);
    void refresh();
    void toggle(HWND frame, WORD command);
    void setSpeed(HWND frame, WORD command);

    HINSTANCE instance_;
    ScannerContext context_;
    std::string baseFolder_; // the program's folder: the page finds its images there
    HWND dialog_ = nullptr;
    std::unique_ptr<ScannerModel> model_;
    int32_t intervalMs_ = 5000;
    bool activeScan_ = true;
    ScannerView view_;
};

} // namespace nearbeam
