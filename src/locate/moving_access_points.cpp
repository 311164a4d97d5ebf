#include "locate/moving_access_points.h"

#include <algorithm>

namespace nearbeam {

void MovingAccessPoints::witness(const std::vector<HeardAccessPoint>& heard,
                                 const DecisionSettings& settings) {
    std::vector<int> witnesses;
    int total = 0;
    for (const HeardAccessPoint& ap : heard) {
        witnesses.push_back(ap.place && ap.signal > settings.notHeard ? 1 : 0);
        total += witnesses.back();
    }
    std::lock_guard<std::mutex> guard(mutex_);
    ++decisions_;
    for (size_t i = 0; i < heard.size(); ++i) {
        const HeardAccessPoint& ap = heard[i];
        if (!ap.place)
            continue;
        // What the others say: how many, and how many of them for this building.
        const int others = total - witnesses[i];
        int same = 0;
        for (size_t j = 0; j < heard.size(); ++j) {
            if (j != i && witnesses[j] && heard[j].place->buildingId == ap.place->buildingId)
                ++same;
        }
        if (others <= 0)
            continue;
        if (counts_.size() >= kCapacity && counts_.find(ap.bssid) == counts_.end()) {
            counts_.erase(std::min_element(counts_.begin(), counts_.end(), [](auto& a, auto& b) {
                return a.second.lastSeen < b.second.lastSeen;
            }));
        }
        Counts& counts = counts_[ap.bssid];
        counts.lastSeen = decisions_;
        if (same * 2 >= others)
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
