#pragma once
// An access point in range: its smoothed signal in dBm and, when the records
// know it, its place. What the scans are compared with and the decision weighs.

#include "records/bssid_key.h"
#include "records/place_key.h"

#include <cstdint>

namespace nearbeam {

struct HeardAccessPoint {
    BssidKey bssid;
    int32_t signal = 0;
    const PlaceKey* place = nullptr; // none: not known
    // Heard in a survey scan: known, though not placed.
    bool surveyed = false;
};

} // namespace nearbeam
