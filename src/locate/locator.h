#pragma once
// Where the user is. The record of the strongest access point in range, when
// it is known, is weighed against every known access point in range and the
// survey scans (the place decision); the outcome is the record that stands for
// the place, the access point that names it, how sure the decision is and, for
// a moving access point heard alone among the known, a cap on the signal
// quality shown. Each look also counts what the known access points say of
// each other (MovingAccessPoints).

#include "locate/decision_settings.h"
#include "locate/location_database.h"
#include "records/place_key.h"
#include "records/records.h"
#include "wireless/scan_table.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace nearbeam {

// The place a record names.
PlaceKey placeOf(const LocationRecord& record);

class Locator {
  public:
    explicit Locator(LocationDatabase& database, const DecisionSettings& settings = {})
        : database_(database), settings_(settings) {}

    struct Location {
        // The lookup status of the strongest access point (lookup_status).
        int32_t status = 0;
        // The record that stands for the place; none when nothing is decided.
        // When the strongest access point is unknown the known ones decide
        // (status then Found), unless it is far stronger than all of them. A
        // record made for a place only the scans name (made) lasts until the
        // next locate; the others belong to the database.
        LocationRecord* record = nullptr;
        bool made = false;
        // The access point that names the place, and its smoothed signal.
        Bssid accessPoint{};
        int32_t signal = 0;
        // The highest signal quality to show; none: no cap.
        std::optional<int32_t> qualityCap;
        // How sure (PlaceDecision): the second-best floor's weight over the
        // best's, and whether the two are close.
        bool floorsClose = false;
        double runnerUp = 0;
        std::string runnerUpFloor;
    };
    // Where the access points of the table say the user is; strongest is the
    // table's strongest entry.
    Location locate(ScanTable& table, const AccessPointEntry& strongest);

  private:
    LocationDatabase& database_;
    DecisionSettings settings_;
    std::unique_ptr<LocationRecord> made_;
};

// How sure a decision between two close floors is, as the trace says it: the
// runner-up and its weight as a percentage of the best floor's.
std::string closeFloorsText(const Locator::Location& located);

} // namespace nearbeam
