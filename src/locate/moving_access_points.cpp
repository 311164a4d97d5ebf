#include "locate/moving_access_points.h"

#include <algorithm>

namespace nearbeam {

void MovingAccessPoints::witness(const std::vector<HeardAccessPoint>& heard,
                                 const DecisionSettings& settings) {
    // Only strong readings are evidence, for or against: a weak one is as
    // likely heard through a wall or from across the street.
    std::vector<const HeardAccessPoint*> strong;
    for (const HeardAccessPoint& ap : heard) {
        if (ap.place && ap.signal >= settings.strongSignal)
            strong.push_back(&ap);
    }
    std::lock_guard<std::mutex> guard(mutex_);
    ++decisions_;
    for (const HeardAccessPoint* ap : strong) {
        // One witness of its own building agrees; enough of one other building,
        // and none of its own, contradict.
        int same = 0, others = 0;
        uint32_t otherBuilding = 0;
        bool oneOther = true;
        for (const HeardAccessPoint* witness : strong) {
            if (witness == ap)
                continue;
            const uint32_t building = witness->place->buildingId;
            if (building == ap->place->buildingId) {
                ++same;
                continue;
            }
            oneOther = oneOther && (others == 0 || building == otherBuilding);
            otherBuilding = building;
            ++others;
        }
        const bool agrees = same > 0;
        if (!agrees && !(oneOther && others >= settings.movingWitnesses))
            continue;
        if (counts_.size() >= kCapacity && counts_.find(ap->bssid) == counts_.end()) {
            counts_.erase(std::min_element(counts_.begin(), counts_.end(), [](auto& a, auto& b) {
                return a.second.lastSeen < b.second.lastSeen;
            }));
        }
        Counts& counts = counts_[ap->bssid];
        counts.lastSeen = decisions_;
        if (agrees)
            ++counts.agreed;
        else
            ++counts.contradicted;
    }
}

bool MovingAccessPoints::isMoving(const BssidKey& key, const DecisionSettings& settings) const {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto found = counts_.find(key);
    return found != counts_.end() && found->second.contradicted >= settings.movingContradictions &&
           found->second.contradicted > found->second.agreed;
}

} // namespace nearbeam
