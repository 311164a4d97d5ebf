#pragma once
// A place as the records name it: building, floor and location texts.

#include <cstdint>
#include <string>

namespace nearbeam {

struct PlaceKey {
    uint32_t buildingId = 0;
    std::string floor;
    std::string location;

    friend bool operator==(const PlaceKey& a, const PlaceKey& b) {
        return a.buildingId == b.buildingId && a.floor == b.floor && a.location == b.location;
    }
    friend bool operator!=(const PlaceKey& a, const PlaceKey& b) { return !(a == b); }
};

} // namespace nearbeam
