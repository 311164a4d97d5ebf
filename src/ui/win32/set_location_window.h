#pragma once
// The wizard "Where Am I?" (frame class "dlgSetLocation"): it places an access
// point, or corrects its place, in three pages (Place, Area, Building) shown one
// at a time in a tool-window frame. Cancel (Escape), the close box and
// minimising close it without saving. One wizard at a time.

#include "locate/location_database.h"
#include "records/bssid_key.h"
#include "survey/survey_scan.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace nearbeam {

struct SetLocationSession;

// What the wizard stands on; made once by the program entry (or a test).
struct SetLocationContext {
    SetLocationContext(HINSTANCE instance, LocationDatabase& database);
    ~SetLocationContext();
    SetLocationContext(const SetLocationContext&) = delete;
    SetLocationContext& operator=(const SetLocationContext&) = delete;

    HINSTANCE instance;
    LocationDatabase& database;
    // The menu's "Scanner"; empty: nothing happens.
    std::function<void()> scanner;
    // What the latest scan heard (latestScanReadings): as the wizard opens, kept
    // as the place's survey scan, and at Finish, to tell whether the user moved.
    // Empty: nothing heard.
    std::function<std::vector<ScanReading>()> heard;
    // After Finish has saved the place of the access point: whoever shows the
    // place refreshes it.
    std::function<void(const BssidKey& key)> saved;

    // The wizard of the last opening; none before the first.
    std::unique_ptr<SetLocationSession> session;
};

// Opens the wizard for the access point `key`, to correct its location record
// when it has one, otherwise to place it. A wizard already open for the same
// access point is brought forward as it is; one open for another access point is
// closed first. False (after the error box) when the window cannot be made.
bool openSetLocationWizard(SetLocationContext& context, const BssidKey& key);

// The wizard's frame, or null when it is not open.
HWND setLocationWindow(const SetLocationContext& context);

} // namespace nearbeam
