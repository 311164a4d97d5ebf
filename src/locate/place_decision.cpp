#include "locate/place_decision.h"

#include <algorithm>
#include <cmath>

namespace nearbeam {

namespace {

// One voice for a place: an access point's vote or a close scan's. A close
// scan's weight within its building follows how close it is; for the building
// itself every close scan counts the same, so one odd scan never turns it.
struct Voice {
    const PlaceKey* place;
    double weight;
    double withinBuilding;
};

// The level of a place the choice is at: building, floor within it, location on it.
enum class Level { Building, Floor, Location };

bool sameUpTo(const PlaceKey& a, const PlaceKey& b, Level level) {
    if (a.buildingId != b.buildingId)
        return false;
    if (level == Level::Building)
        return true;
    if (a.floor != b.floor)
        return false;
    return level == Level::Floor || a.location == b.location;
}

// Among the voices that agree with chosen above `level`, the place whose value at
// `level` has the most weight. The start place (the strongest known access
// point's, when it takes part) keeps its value unless another has strictly more.
const PlaceKey* choose(const std::vector<Voice>& voices, const PlaceKey* start,
                       const PlaceKey* chosen, Level level) {
    const Level above = level == Level::Location ? Level::Floor : Level::Building;
    auto weightOf = [&](const PlaceKey& value) {
        double sum = 0;
        for (const Voice& voice : voices) {
            if (sameUpTo(*voice.place, value, level))
                sum += level == Level::Building ? voice.weight : voice.withinBuilding;
        }
        return sum;
    };
    auto eligible = [&](const PlaceKey& place) {
        return level == Level::Building || sameUpTo(place, *chosen, above);
    };
    const PlaceKey* best = start && eligible(*start) ? start : nullptr;
    double bestWeight = best ? weightOf(*best) : -1.0;
    for (const Voice& voice : voices) {
        if (!eligible(*voice.place) || (best && sameUpTo(*voice.place, *best, level)))
            continue;
        const double weight = weightOf(*voice.place);
        if (weight > bestWeight) {
            best = voice.place;
            bestWeight = weight;
        }
    }
    return best;
}

} // namespace

double voteWeight(int32_t signal, const DecisionSettings& settings) {
    if (signal <= settings.notHeard)
        return 0.0;
    return std::pow(10.0, (signal - settings.notHeard) / settings.decibelsPerDecade) - 1.0;
}

PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard, const ScanStore* scans,
                          const DecisionSettings& settings) {
    return decidePlace(
        heard, scans ? scans->nearest(heard, settings) : std::vector<ScanIndex::Neighbour>(),
        settings);
}

PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard,
                          const std::vector<ScanIndex::Neighbour>& near,
                          const DecisionSettings& settings) {
    PlaceDecision decision;
    std::vector<Voice> voices;
    int32_t strongest = -1;
    double votes = 0;
    for (size_t i = 0; i < heard.size(); ++i) {
        const HeardAccessPoint& ap = heard[i];
        if (!ap.place)
            continue;
        if (strongest < 0 || ap.signal > heard[static_cast<size_t>(strongest)].signal)
            strongest = static_cast<int32_t>(i);
        const double weight = voteWeight(ap.signal, settings);
        voices.push_back(Voice{ap.place, weight, weight});
        votes += weight;
    }
    const PlaceKey* start = strongest >= 0 ? heard[static_cast<size_t>(strongest)].place : nullptr;
    // Known access points that all name one place keep its building whatever the
    // scans say, and the place itself when no scan shares an access point.
    const bool agreed = start && std::all_of(heard.begin(), heard.end(), [&](const auto& ap) {
                            return !ap.place || *ap.place == *start;
                        });
    if (!near.empty()) {
        // The scans hold their share of the votes' weight, or all of it when no
        // vote counts.
        const double total =
            votes > 0 ? votes * settings.scanShare / (1 - settings.scanShare) : 1.0;
        double closeness = 0;
        for (const ScanIndex::Neighbour& neighbour : near)
            closeness += 1.0 / (neighbour.distance + settings.closeEnough);
        const double each = total / static_cast<double>(near.size());
        for (const ScanIndex::Neighbour& neighbour : near) {
            const double share = 1.0 / (neighbour.distance + settings.closeEnough) / closeness;
            voices.push_back(Voice{neighbour.place, each, total * share});
        }
    }
    if (voices.empty())
        return decision;
    const PlaceKey* building = agreed ? start : choose(voices, start, nullptr, Level::Building);
    const PlaceKey* floor = choose(voices, start, building, Level::Floor);
    const PlaceKey* place = choose(voices, start, floor, Level::Location);
    decision.decided = true;
    decision.place = *place;
    for (Level level : {Level::Location, Level::Floor, Level::Building}) {
        for (size_t i = 0; i < heard.size(); ++i) {
            const HeardAccessPoint& ap = heard[i];
            if (!ap.place || !sameUpTo(*ap.place, *place, level))
                continue;
            if (decision.representative < 0 ||
                ap.signal > heard[static_cast<size_t>(decision.representative)].signal)
                decision.representative = static_cast<int32_t>(i);
        }
        if (decision.representative >= 0)
            break;
    }
    return decision;
}

} // namespace nearbeam
