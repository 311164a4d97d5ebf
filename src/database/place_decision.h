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

#include "database/bssid_key.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nearbeam {

class ScanStore;

// A place as the records name it: building, floor and location texts.
struct PlaceKey {
    uint32_t buildingId = 0;
    std::string floor;
    std::string location;

    friend bool operator==(const PlaceKey& a, const PlaceKey& b) {
        return a.buildingId == b.buildingId && a.floor == b.floor && a.location == b.location;
    }
    friend bool operator!=(const PlaceKey& a, const PlaceKey& b) { return !(a == b); }
};

// An access point in range: its smoothed signal in dBm and, when the records
// know it, its place.
struct HeardAccessPoint {
    BssidKey bssid;
    int32_t signal = 0;
    const PlaceKey* place = nullptr; // none: not known
};

struct DecisionSettings {
    // The signal an access point heard on one side of a comparison only is taken
    // to have on the other; also the level at which a vote weighs nothing.
    int32_t notHeard = -100;
    // A vote's weight grows tenfold every this many dB above notHeard.
    double decibelsPerDecade = 10.0;
    // Scans are compared on the scale ((signal - notHeard) / -notHeard) to this
    // power: above 1 the strong readings matter more than the weak ones, whose
    // level differs most between phones.
    double strength = 1.5;
    // A stored scan is compared by its strongest readings only, as many as the
    // scan table holds: what is in range never shows more, so the weaker
    // readings of a long scan would only count against it.
    int32_t comparedReadings = 24;
    // How many of the closest survey scans vote.
    int32_t neighbours = 3;
    // The share of the weight the closest scans hold when there are votes too.
    double scanShare = 0.8;
};

// The weight of a vote at a signal, and a signal on the scans' scale; both 0 at
// notHeard and below.
double voteWeight(int32_t signal, const DecisionSettings& settings);
double scaledSignal(int32_t signal, const DecisionSettings& settings);

struct PlaceDecision {
    bool decided = false;
    PlaceKey place;
    // The strongest known access point of the winning place (or, when the scans
    // named a place none of them has, of its floor, then of its building); an
    // index into the heard list, -1 when none is known.
    int32_t representative = -1;
};

// The place of what is heard; scans may be none. Nothing is decided when no
// access point is known and no scan shares one.
PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard, const ScanStore* scans,
                          const DecisionSettings& settings = {});

} // namespace nearbeam
