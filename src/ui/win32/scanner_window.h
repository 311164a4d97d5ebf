#pragma once
// The Scanner window, "WiFi Scanner" (frame class "dlgScanner"): the access
// points in range as a page in a display control, refreshed on a timer of its
// own. A click on a row opens that access point's page; the menu
// sets the update speed, active scanning and the details shown, all remembered.

#include "base/settings_store.h"
#include "ui/scanner_model.h"
#include "ui/win32/page_window.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace nearbeam {

// What the window uses and what it opens; made by the program entry.
struct ScannerContext {
    ScannerContext(ScannerParts parts, SettingsStore& settings)
        : parts(parts), settings(settings) {}

    ScannerParts parts;
    SettingsStore& settings;
    // The "Where Am I?" page for a BSSID key (a row's link). Empty: nothing opens.
    std::function<void(const std::wstring& bssid)> showPage;
    // "Advanced...": the Options dialog. Empty: nothing.
    std::function<void()> options;
    // "Upload...": the upload dialog. Empty: nothing.
    std::function<void()> upload;
};

class ScannerWindow : public PageWindow {
  public:
    ScannerWindow(HINSTANCE instance, ScannerContext context);

    // Opens the window, or brings the open one forward. Null on failure (the user
    // was told).
    HWND open();

    ScannerContext& context() { return context_; }

  private:
    void start(HWND frame, HWND dialog) override;
    bool onCommand(HWND frame, WORD command) override;
    bool onLink(HWND dialog, const std::string& url) override;
    INT_PTR onDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;
    void refresh();
    void toggle(HWND frame, WORD command);
    void setSpeed(HWND frame, WORD command);

    ScannerContext context_;
    std::string baseFolder_; // the program's folder: the page finds its images there
    HWND dialog_ = nullptr;
    std::unique_ptr<ScannerModel> model_;
    int32_t intervalMs_ = 5000;
    bool activeScan_ = true;
    ScannerView view_;
};

} // namespace nearbeam
