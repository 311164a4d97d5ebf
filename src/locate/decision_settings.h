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
    // When the strongest access point in range is unknown (in neither the
    // records nor a survey scan), the known ones still decide unless it is more
    // than this many dB above every one of them: then what is known is likely
    // next door, heard through walls. The demo walk's bus stop stays unknown
    // also on its first tick, when the library's access point, smoothed, is
    // still 17 dB below the hotspot; on the public survey data 15 dB leaves
    // 2.8 % and 0.6 % of scans whose strongest access point is new undecided,
    // 20 dB 1.8 % and 0.1 %.
    int32_t unknownMargin = 15;
    // A survey scan farther than this from what is heard has no say (0.6 cost
    // up to 0.8 points of floors on the public data, 0.7 nothing).
    double scanReach = 0.7;
    // A reading this strong is trusted: a known access point heard so holds its
    // building against the scans, and only such readings tell a moving one.
    int32_t strongSignal = -70;
    // Votes are clear when one floor of the building holds at least this share
    // of their weight; the scans then change the floor only when more than half
    // of `neighbours` closest scans name one other floor.
    double clearVotes = 0.8;
    // The two best floors are close when the runner-up has at least this share
    // of the best one's weight.
    double closeFloors = 0.5;
    // An access point heard strongly is contradicted when at least this many
    // other known ones heard strongly all name one other building, and none its
    // own; contradicted at least movingContradictions times (a minute of
    // ticks), and more often than it agreed, it is taken as moving.
    int32_t movingWitnesses = 2;
    int32_t movingContradictions = 6;
    // The highest signal quality shown when a moving access point is the only
    // known one: below the good signal (70) that alerts and says "at".
    int32_t movingQualityCap = 69;
};

} // namespace nearbeam
