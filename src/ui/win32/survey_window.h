#pragma once
// The Survey window, "Nearbeam Survey": the building, floor and location to
// survey (starting at the current place), the number of scans, Record and Stop,
// and while it records a progress bar, the access points of the last scan and a
// warning when too few are in range. The survey itself is the program's
// (SurveyModel): the window moves texts and shows the model's view after each
// tick. Closing it stops a survey under way; what was recorded stays.

#include "locate/location_database.h"
#include "records/place_key.h"
#include "ui/survey_model.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace nearbeam {

struct SurveyContext {
    SurveyModel& survey;
    LocationDatabase& database;
    // The place the program last decided; empty or none: the fields start empty.
    std::function<std::optional<PlaceKey>()> currentPlace = {};
    // "Coverage...": the coverage page of a building (0: every building).
    std::function<void(uint32_t building)> coverage = {};
    HWND open = nullptr; // the window while it is open
};

// The window, modal over owner, until it is closed (one already open is brought
// forward instead). The tray's timer goes on ticking meanwhile. False only when
// it could not be made; the user was told why.
bool openSurveyWindow(HINSTANCE instance, HWND owner, SurveyContext& context);

// The survey moved on: the open window, if any, shows it.
void showSurveyProgress(const SurveyContext& context);

} // namespace nearbeam
