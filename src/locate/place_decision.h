#pragma once
// The place decision: which place the access points in range name together.
//
// Every access point in range whose place is known votes for it with a weight
// that grows steeply with its signal (a reading near the "not heard" level counts
// for almost nothing). When stored survey scans share access points with what is
// in range, the closest of them vote too, together holding a fixed share of the
// weight: for the building each counts the same, so one odd scan never turns it;
// within the building the closer counts more. The building with the most weight
// wins, then the floor within it, then the location on that floor; on a tie the
// strongest known access point's place stays, and so it does when every known
// access point names it.

#include "locate/decision_settings.h"
#include "records/place_key.h"
#include "survey/heard_access_point.h"
#include "survey/scan_index.h"
#include "survey/scan_store.h"

#include <cstdint>
#include <vector>

namespace nearbeam {

// The weight of a vote at a signal; 0 at notHeard and below.
double voteWeight(int32_t signal, const DecisionSettings& settings);

struct PlaceDecision {
    bool decided = false;
    PlaceKey place;
    // The strongest known access point of the winning place (or, when the scans
    // named a place none of them has, of its floor, then of its building); an
    // index into the heard list, -1 when none is known.
    int32_t representative = -1;
};

// The place of what is heard, with the closest survey scans (ScanIndex::nearest).
// Nothing is decided when no access point is known and no scan is near.
PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard,
                          const std::vector<ScanIndex::Neighbour>& near,
                          const DecisionSettings& settings = {});
// The same with the scans of a store; scans may be none.
PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard, const ScanStore* scans,
                          const DecisionSettings& settings = {});

} // namespace nearbeam
