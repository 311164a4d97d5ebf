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
// access point names it. Scans are held in check, for one may have been taken
// elsewhere than it says: only close ones count, strong known access points
// hold their building, and clear votes hold their floor against a few scans.

#include "locate/decision_settings.h"
#include "records/place_key.h"
#include "survey/heard_access_point.h"
#include "survey/scan_index.h"
#include "survey/scan_store.h"

#include <cstdint>
#include <string>
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
    // How sure: the weight of the second-best floor of the building over the
    // best one's (at most 1; 0 when no other floor had a say), and whether that
    // makes them close (settings.closeFloors).
    double runnerUp = 0;
    bool floorsClose = false;
    std::string runnerUpFloor;
};

// The place of what is heard, with the closest survey scans (ScanIndex::nearest).
// Nothing is decided when no access point is known and no scan is near, nor
// when the strongest one in range is unknown (neither placed nor surveyed) and
// more than settings.unknownMargin above every known one.
PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard,
                          const std::vector<ScanIndex::Neighbour>& near,
                          const DecisionSettings& settings = {});
// The same with the scans of a store, which also tell which access points were
// surveyed; scans may be none.
PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard, const ScanStore* scans,
                          const DecisionSettings& settings = {});

} // namespace nearbeam
