#pragma once
// How survey scans are compared with what is heard: the scale of the signals and
// how many readings and scans take part.

#include <cstdint>

namespace nearbeam {

struct ScanComparison {
    // The signal an access point heard on one side of a comparison only is taken
    // to have on the other; also the level at which a vote weighs nothing.
    int32_t notHeard = -100;
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
};

// A signal on the scans' scale; 0 at notHeard and below.
double scaledSignal(int32_t signal, const ScanComparison& settings);

} // namespace nearbeam
