#include "locate/location_database.h"

#include <mutex>
#include <optional>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

void LocationDatabase::openedLocked(const std::string& folder) {
    scanFile_.setFolder(folder);
    scans_.setPath(folder.empty() ? std::string() : folder + "scans.txt");
}

std::string LocationDatabase::refreshScans() {
    Guard guard(lock());
    return scans_.refresh(
        [this](uint32_t buildingId) { return buildings().findById(buildingId) != nullptr; });
}

bool LocationDatabase::scansFollowPlace(const PlaceKey& from, const PlaceKey& to) {
    Guard guard(lock());
    if (from == to || locations().namesPlace(from.buildingId, from.floor, from.location))
        return true;
    const std::optional<size_t> moved = scanFile_.movePlace(from, to);
    // Read again whole: a rewrite that keeps the file's size and last line would
    // look like a file nothing was appended to.
    if (moved && *moved > 0)
        scans_.setPath(scans_.path());
    return moved.has_value();
}

} // namespace nearbeam
