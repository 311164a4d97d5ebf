#pragma once
// Each of the Survey window's scans: what the latest scan heard, kept as a survey
// scan of the place (status 3) in scans.txt.

#include "locate/location_database.h"
#include "records/place_key.h"
#include "ui/survey_model.h"
#include "wireless/scan_table.h"

#include <ctime>

namespace nearbeam {

// The table's latest scan (latestScanReadings) kept at the place, taken at `now`;
// nothing is stored for a place without a building or when nothing was heard.
TakenScan keepHeardScan(ScanTable& table, LocationDatabase& database, const PlaceKey& place,
                        std::time_t now);

} // namespace nearbeam
