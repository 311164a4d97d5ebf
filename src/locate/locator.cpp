#include "locate/locator.h"

#include "locate/place_decision.h"

#include <mutex>
#include <vector>

namespace nearbeam {

PlaceKey placeOf(const LocationRecord& record) {
    return PlaceKey{record.building ? record.building->id : 0, record.floor, record.location};
}

Locator::Location Locator::locate(ScanTable& table, const AccessPointEntry& strongest) {
    Location out;
    out.accessPoint = strongest.bssid();
    out.signal = strongest.smoothedSignal();
    out.status = database_.lookUpLocation(BssidKey::fromBytes(out.accessPoint.data()), &out.record);
    if (!out.record)
        return out;
    // Every access point in range with its record, when ap.txt has it.
    struct InRange {
        Bssid bssid;
        int32_t signal;
        LocationRecord* record;
    };
    std::vector<InRange> inRange;
    std::vector<PlaceKey> places; // by access point in range; complete before heard points in
    {
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        table.forEach([&](AccessPointEntry& entry) {
            LocationRecord* record =
                database_.locations().find(BssidKey::fromBytes(entry.bssid().data()));
            inRange.push_back(InRange{entry.bssid(), entry.smoothedSignal(), record});
            places.push_back(record ? placeOf(*record) : PlaceKey());
        });
    }
    std::vector<HeardAccessPoint> heard;
    size_t known = 0;
    for (size_t i = 0; i < inRange.size(); ++i) {
        const bool isKnown = inRange[i].record != nullptr;
        heard.push_back(HeardAccessPoint{BssidKey::fromBytes(inRange[i].bssid.data()),
                                         inRange[i].signal, isKnown ? &places[i] : nullptr});
        known += isKnown ? 1 : 0;
    }
    const PlaceDecision decision = decidePlace(heard, &database_.scans(), settings_);
    database_.moving().witness(heard, settings_);
    // An access point that moves does not say "at" on its own.
    if (known == 1 && database_.moving().isMoving(out.record->bssid, settings_))
        out.qualityCap = settings_.movingQualityCap;
    if (!decision.decided || decision.representative < 0 || decision.place == placeOf(*out.record))
        return out;
    const InRange& chosen = inRange[static_cast<size_t>(decision.representative)];
    out.accessPoint = chosen.bssid;
    out.signal = chosen.signal;
    out.qualityCap.reset();
    out.record = chosen.record;
    if (placeOf(*chosen.record) == decision.place)
        return out;
    // A floor or location only the scans name: the representative's record with
    // the place's texts (and building, which the scans name too).
    made_ = std::make_unique<LocationRecord>(*chosen.record);
    made_->floor = decision.place.floor;
    made_->location = decision.place.location;
    if (decision.place.buildingId !=
        places[static_cast<size_t>(decision.representative)].buildingId) {
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        made_->building =
            static_cast<BuildingRecord*>(database_.buildings().findById(decision.place.buildingId));
        made_->resolved = false;
    }
    out.record = made_.get();
    out.made = true;
    return out;
}

} // namespace nearbeam
