#pragma once
// The coverage window, "Survey Coverage": the page of what each floor and
// location has in survey scans. Opened from the Survey window and from a
// building on the "Where am I?" page.

#include "locate/location_database.h"
#include "ui/linux/report_window.h"

#include <cstdint>

namespace nearbeam {

class CoverageWindow : public ReportWindow {
    Q_OBJECT
  public:
    CoverageWindow();

    // Shows the coverage of a building (0: every building) as scans.txt holds it
    // now, and brings the window up.
    void open(LocationDatabase& database, uint32_t building);
};

} // namespace nearbeam
