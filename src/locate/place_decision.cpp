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

// The best value at `level` among the voices that agree with chosen above it
// (and, for the building, pass `allowed`), with its weight and the runner-up's.
// The start place (the strongest known access point's, when it takes part)
// keeps its value unless another has strictly more.
struct Choice {
    const PlaceKey* best = nullptr;
    double weight = -1.0;
    const PlaceKey* second = nullptr;
    double secondWeight = 0.0;
};

template <typename Allowed>
Choice choose(const std::vector<Voice>& voices, const PlaceKey* start, const PlaceKey* chosen,
              Level level, const Allowed& allowed) {
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
        return level == Level::Building ? allowed(place) : sameUpTo(place, *chosen, above);
    };
    Choice choice;
    if (start && eligible(*start)) {
        choice.best = start;
        choice.weight = weightOf(*start);
    }
    for (const Voice& voice : voices) {
        if (!eligible(*voice.place) ||
            (choice.best && sameUpTo(*voice.place, *choice.best, level)) ||
            (choice.second && sameUpTo(*voice.place, *choice.second, level)))
            continue;
        const double weight = weightOf(*voice.place);
        if (weight > choice.weight) {
            choice.second = choice.best;
            choice.secondWeight = choice.best ? choice.weight : 0.0;
            choice.best = voice.place;
            choice.weight = weight;
        } else if (!choice.second || weight > choice.secondWeight) {
            choice.second = voice.place;
            choice.secondWeight = weight;
        }
    }
    return choice;
}

Choice choose(const std::vector<Voice>& voices, const PlaceKey* start, const PlaceKey* chosen,
              Level level) {
    return choose(voices, start, chosen, level, [](const PlaceKey&) { return true; });
}

// Clear votes hold their floor unless more than half of settings.neighbours
// closest scans name one other floor: a place's few scans do not take over.
// voices holds the votes first (voteCount of them), then the scans.
void holdClearVotes(const std::vector<Voice>& voices, size_t voteCount, const PlaceKey* start,
                    const PlaceKey& building, const DecisionSettings& settings, Choice& floor) {
    if (voteCount == 0 || voteCount == voices.size())
        return;
    const std::vector<Voice> votes(voices.begin(),
                                   voices.begin() + static_cast<ptrdiff_t>(voteCount));
    const Choice byVotes = choose(votes, start, &building, Level::Floor);
    if (!byVotes.best || sameUpTo(*byVotes.best, *floor.best, Level::Floor))
        return;
    double inBuilding = 0;
    for (const Voice& vote : votes) {
        if (sameUpTo(*vote.place, building, Level::Building))
            inBuilding += vote.weight;
    }
    const auto scansForOther = std::count_if(
        voices.begin() + static_cast<ptrdiff_t>(voteCount), voices.end(),
        [&](const Voice& scan) { return sameUpTo(*scan.place, *floor.best, Level::Floor); });
    if (byVotes.weight < settings.clearVotes * inBuilding ||
        scansForOther * 2 > settings.neighbours)
        return;
    double held = 0;
    for (const Voice& voice : voices) {
        if (sameUpTo(*voice.place, *byVotes.best, Level::Floor))
            held += voice.withinBuilding;
    }
    floor = Choice{byVotes.best, held, floor.best, floor.weight};
}

} // namespace

double voteWeight(int32_t signal, const DecisionSettings& settings) {
    if (signal <= settings.notHeard)
        return 0.0;
    return std::pow(10.0, (signal - settings.notHeard) / settings.decibelsPerDecade) - 1.0;
}

PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard, const ScanStore* scans,
                          const DecisionSettings& settings) {
    if (!scans)
        return decidePlace(heard, std::vector<ScanIndex::Neighbour>(), settings);
    std::vector<HeardAccessPoint> marked = heard;
    scans->markSurveyed(marked);
    return decidePlace(marked, scans->nearest(marked, settings), settings);
}

PlaceDecision decidePlace(const std::vector<HeardAccessPoint>& heard,
                          const std::vector<ScanIndex::Neighbour>& near,
                          const DecisionSettings& settings) {
    PlaceDecision decision;
    std::vector<Voice> voices;
    int32_t strongest = -1;
    double votes = 0;
    bool strongKnown = false;
    int32_t strongestKnown = settings.notHeard;
    int32_t strongestUnknown = settings.notHeard;
    for (size_t i = 0; i < heard.size(); ++i) {
        const HeardAccessPoint& ap = heard[i];
        if (!ap.place) {
            int32_t& level = ap.surveyed ? strongestKnown : strongestUnknown;
            level = std::max(level, ap.signal);
            continue;
        }
        strongestKnown = std::max(strongestKnown, ap.signal);
        strongKnown = strongKnown || ap.signal >= settings.strongSignal;
        if (strongest < 0 || ap.signal > heard[static_cast<size_t>(strongest)].signal)
            strongest = static_cast<int32_t>(i);
        const double weight = voteWeight(ap.signal, settings);
        voices.push_back(Voice{ap.place, weight, weight});
        votes += weight;
    }
    if (strongestUnknown - strongestKnown > settings.unknownMargin)
        return decision;
    const size_t voteCount = voices.size();
    const PlaceKey* start = strongest >= 0 ? heard[static_cast<size_t>(strongest)].place : nullptr;
    // Known access points that all name one place keep its building whatever the
    // scans say, and the place itself when no scan shares an access point.
    const bool agreed = start && std::all_of(heard.begin(), heard.end(), [&](const auto& ap) {
                            return !ap.place || *ap.place == *start;
                        });
    std::vector<ScanIndex::Neighbour> close;
    for (const ScanIndex::Neighbour& neighbour : near) {
        if (neighbour.distance <= settings.scanReach)
            close.push_back(neighbour);
    }
    if (!close.empty()) {
        // The scans hold their share of the votes' weight, or all of it when no
        // vote counts.
        const double total =
            votes > 0 ? votes * settings.scanShare / (1 - settings.scanShare) : 1.0;
        double closeness = 0;
        for (const ScanIndex::Neighbour& neighbour : close)
            closeness += 1.0 / (neighbour.distance + settings.closeEnough);
        const double each = total / static_cast<double>(close.size());
        for (const ScanIndex::Neighbour& neighbour : close) {
            const double share = 1.0 / (neighbour.distance + settings.closeEnough) / closeness;
            voices.push_back(Voice{neighbour.place, each, total * share});
        }
    }
    if (voices.empty())
        return decision;
    // Scans never take the building from strong known access points: only a
    // building one of them names can win.
    auto strongBuilding = [&](const PlaceKey& place) {
        return !strongKnown ||
               std::any_of(heard.begin(), heard.end(), [&](const HeardAccessPoint& ap) {
                   return ap.place && ap.signal >= settings.strongSignal &&
                          ap.place->buildingId == place.buildingId;
               });
    };
    const PlaceKey* building =
        agreed ? start : choose(voices, start, nullptr, Level::Building, strongBuilding).best;
    Choice floor = choose(voices, start, building, Level::Floor);
    holdClearVotes(voices, voteCount, start, *building, settings, floor);
    const PlaceKey* place = choose(voices, start, floor.best, Level::Location).best;
    decision.decided = true;
    decision.place = *place;
    if (floor.second) {
        decision.runnerUp =
            floor.weight > 0 ? std::min(floor.secondWeight / floor.weight, 1.0) : 1.0;
        decision.runnerUpFloor = floor.second->floor;
        decision.floorsClose = decision.runnerUp > 0 && decision.runnerUp >= settings.closeFloors;
    }
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
