#include "locate/locator.h"

#include "locate/place_decision.h"

#include <cmath>
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
    // An unknown strongest access point is asked of the server all the same;
    // once the answer comes it votes like the others.
    out.status = database_.lookUpLocation(BssidKey::fromBytes(out.accessPoint.data()), &out.record);
    // Every access point in range with its record, when ap.txt has it and the
    // records still hold its building. Without the strongest, only those heard
    // in the last scan: ones fading since another place do not name this one.
    struct InRange {
        Bssid bssid;
        int32_t signal;
        LocationRecord* record;
        PlaceKey place; // none when not known
    };
    std::vector<InRange> inRange; // complete before heard points into it
    {
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        table.forEach([&](AccessPointEntry& entry) {
            if (!out.record && entry.lastSeen() < table.clock())
                return;
            LocationRecord* record =
                database_.locations().find(BssidKey::fromBytes(entry.bssid().data()));
            if (record && !record->building)
                record = nullptr;
            inRange.push_back(InRange{entry.bssid(), entry.smoothedSignal(), record,
                                      record ? placeOf(*record) : PlaceKey()});
        });
    }
    std::vector<HeardAccessPoint> heard;
    const InRange* onlyKnown = nullptr;
    size_t known = 0;
    for (size_t i = 0; i < inRange.size(); ++i) {
        const bool isKnown = inRange[i].record != nullptr;
        heard.push_back(HeardAccessPoint{BssidKey::fromBytes(inRange[i].bssid.data()),
                                         inRange[i].signal, isKnown ? &inRange[i].place : nullptr});
        if (isKnown) {
            ++known;
            onlyKnown = &inRange[i];
        }
    }
    const PlaceDecision decision = decidePlace(heard, &database_.scans(), settings_);
    database_.moving().witness(heard, settings_);
    out.floorsClose = decision.floorsClose;
    out.runnerUp = decision.runnerUp;
    out.runnerUpFloor = decision.runnerUpFloor;
    // An access point that moves does not say "at" on its own.
    if (known == 1 &&
        database_.moving().isMoving(BssidKey::fromBytes(onlyKnown->bssid.data()), settings_))
        out.qualityCap = settings_.movingQualityCap;
    if (!decision.decided || decision.representative < 0)
        return out;
    if (!out.record)
        out.status = lookup_status::Found; // the known ones decided without it
    else if (decision.place == placeOf(*out.record))
        return out;
    const InRange& chosen = inRange[static_cast<size_t>(decision.representative)];
    out.accessPoint = chosen.bssid;
    out.signal = chosen.signal;
    out.record = chosen.record;
    if (chosen.place == decision.place)
        return out;
    // A floor or location only the scans name: the representative's record with
    // the place's texts (and building, which the scans name too).
    made_ = std::make_unique<LocationRecord>(*chosen.record);
    made_->floor = decision.place.floor;
    made_->location = decision.place.location;
    if (decision.place.buildingId != chosen.place.buildingId) {
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        made_->building =
            static_cast<BuildingRecord*>(database_.buildings().findById(decision.place.buildingId));
        made_->resolved = false;
    }
    out.record = made_.get();
    out.made = true;
    return out;
}

std::string closeFloorsText(const Locator::Location& located) {
    const std::string floor = floorText(located.runnerUpFloor);
    return "floors close: " + (floor.empty() ? std::string("no floor") : floor) + " at " +
           std::to_string(std::lround(located.runnerUp * 100)) + " %";
}

} // namespace nearbeam
