#include "ui/keep_scan.h"

#include "base/utc_time.h"
#include "ui/heard_now.h"

#include <mutex>

namespace nearbeam {

TakenScan keepHeardScan(ScanTable& table, LocationDatabase& database, const PlaceKey& place,
                        std::time_t now) {
    TakenScan taken;
    SurveyScan scan;
    scan.buildingId = place.buildingId;
    scan.floor = place.floor;
    scan.location = place.location;
    scan.status = record_status::Local;
    scan.time = utcTimeText(now);
    // The upload rewrites the file under the database lock.
    std::lock_guard<std::recursive_mutex> guard(database.lock());
    // What the latest scan heard, at its own signal (the table holds
    // infrastructure access points only); a network that asked not to be mapped
    // stays out of the scan.
    table.forEach([&](AccessPointEntry& entry) {
        if (entry.lastSeen() == table.clock())
            ++taken.inRange;
    });
    scan.readings = latestScanReadings(table, database.optedOut());
    taken.kept = static_cast<int32_t>(scan.readings.size());
    if (scan.buildingId == 0 || scan.readings.empty())
        taken.outcome = TakenScan::Outcome::NothingHeard;
    else if (database.scans().append(scan))
        taken.outcome = TakenScan::Outcome::Stored;
    else
        taken.outcome = TakenScan::Outcome::NotWritten;
    return taken;
}

} // namespace nearbeam
