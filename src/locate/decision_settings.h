#pragma once
// Every tuning number of where the user is: how survey scans are compared (the
// ScanComparison part), how votes weigh, and when an access point counts as moving.

#include "survey/scan_comparison.h"

#include <cstdint>

namespace nearbeam {

struct DecisionSettings : ScanComparison {
    // A vote's weight grows tenfold every this many dB above notHeard.
    double decibelsPerDecade = 10.0;
    // The share of the weight the closest scans hold when there are votes too.
    double scanShare = 0.8;
    // A scan this close counts as the same readings when close scans are weighed.
    double closeEnough = 1e-3;
    // An access point contradicted at least this often, and more often than it
    // agreed, is taken as moving.
    int32_t movingContradictions = 3;
    // The highest signal quality shown when a moving access point is the only
    // known one: below the good signal (70) that alerts and says "at".
    int32_t movingQualityCap = 69;
};

} // namespace nearbeam
