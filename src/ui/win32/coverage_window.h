#pragma once
// The coverage window, "Survey Coverage" (frame class "dlgCoverage"): one display
// control showing what each floor and location has in survey scans. Opened from
// the Survey window and from a building on the "Where am I?" page.

#include "locate/location_database.h"
#include "ui/win32/page_window.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace nearbeam {

class CoverageWindow : public PageWindow {
  public:
    explicit CoverageWindow(HINSTANCE instance);

    // Opens the window, or brings it forward, showing the coverage of a building
    // (0: every building) as scans.txt holds it now. False when it could not be
    // made (the user was told).
    bool open(LocationDatabase& database, uint32_t building);

  private:
    void start(HWND, HWND) override {}
    // The page holds no links; nothing leaves it.
    bool onLink(HWND, const std::string&) override { return true; }
    bool onCommand(HWND, WORD) override { return false; }
};

} // namespace nearbeam
