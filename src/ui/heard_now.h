#pragma once
// What is heard now, as a survey scan holds it: the access points of the latest
// scan at that scan's signal (an access point the table still keeps from an
// earlier scan is not in range, and a smoothed signal is not a reading), without
// the networks that asked not to be mapped. And how far two such moments lie
// apart, so that the wizard can tell that the user has moved since it opened.

#include "records/asked_list.h"
#include "survey/scan_comparison.h"
#include "survey/survey_scan.h"
#include "wireless/scan_table.h"

#include <vector>

namespace nearbeam {

// The readings of the table's latest scan, in table order; empty when the latest
// scan heard nothing.
std::vector<ScanReading> latestScanReadings(ScanTable& table, AskedList& optedOut);

// How different two moments are, as scans are compared for the place: signals on
// the scans' scale, the sum of the differences over the sum of the values, an
// access point heard on one side only taken as settings.notHeard on the other. 0
// for the same readings, 1 for nothing in common (and for two empty moments: there
// is nothing to say they are alike).
double readingsDistance(const std::vector<ScanReading>& a, const std::vector<ScanReading>& b,
                        const ScanComparison& settings = ScanComparison{});

// Beyond this distance what is heard has changed a lot: more than half of the
// weight of what is heard differs. Standing still moves a few dB at a time (a
// distance near 0.1); another room of the same floor lies near 0.3 to 0.5, another
// building near 1.
inline constexpr double kMovedDistance = 0.5;

} // namespace nearbeam
