#pragma once
// The coverage window, "Survey Coverage" (frame class "dlgCoverage"): one display
// control showing what each floor and location has in survey scans. Opened from
// the Survey window and from a building on the "Where am I?" page.

#include "locate/location_database.h"
#include "ui/win32/report_window.h"

#include <windows.h>

#include <cstdint>

namespace nearbeam {

class CoverageWindow : public ReportWindow {
  public:
    explicit CoverageWindow(HINSTANCE instance);

    // Opens the window, or brings it forward, showing the coverage of a building
    // (0: every building) as scans.txt holds it now. False when it could not be
    // made (the user was told).
    bool open(LocationDatabase& database, uint32_t building);
};

} // namespace nearbeam
