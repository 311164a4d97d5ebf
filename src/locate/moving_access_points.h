#pragma once
// Access points that seem to move: a phone's hotspot or a bus's network placed
// once goes wherever it goes. Only strong readings are evidence (at least
// settings.strongSignal), for or against: each time a known access point is
// heard strongly, the other known ones heard strongly with it witness for it.
// One of its own building agrees; at least settings.movingWitnesses that all
// name one other building, with none of its own, contradict. They count one
// each, not by signal: a hotspot carried along is often the strongest of all.
// One contradicted at least settings.movingContradictions times, and more
// often than it agreed, is taken as moving. The counts live as long as the
// program runs.

#include "locate/decision_settings.h"
#include "records/bssid_key.h"
#include "survey/heard_access_point.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace nearbeam {

class MovingAccessPoints {
  public:
    // The most access points counted; the oldest counts go when it is reached.
    static constexpr size_t kCapacity = 4096;

    // Counts what the known access points heard together say of each other.
    void witness(const std::vector<HeardAccessPoint>& heard, const DecisionSettings& settings = {});
    bool isMoving(const BssidKey& key, const DecisionSettings& settings = {}) const;

  private:
    struct Counts {
        int32_t agreed = 0;
        int32_t contradicted = 0;
        uint64_t lastSeen = 0;
    };
    mutable std::mutex mutex_;
    std::map<BssidKey, Counts> counts_;
    uint64_t decisions_ = 0;
};

} // namespace nearbeam
