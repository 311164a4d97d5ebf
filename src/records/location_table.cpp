#include "records/location_table.h"

#include "records/record_lines.h"

#include <utility>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

LocationTable::LocationTable(std::recursive_mutex& lock, std::string fileName,
                             RecordTable& buildings, RecordTable& networks)
    : TextTable(lock, std::move(fileName)), buildings_(buildings), networks_(networks) {}

LocationRecord* LocationTable::find(const BssidKey& key) {
    Guard guard(lock_);
    auto it = cache_.find(key);
    if (it != cache_.end())
        return it->second.get();
    if (!validKey(key))
        return nullptr;
    auto line = lookupIndex_.firstPart(path_, key);
    if (!line)
        return nullptr;
    auto record = parseRecord(*line, key);
    LocationRecord* result = record.get();
    cache_[key] = std::move(record);
    return result;
}

LocationRecord* LocationTable::findOrCreate(const BssidKey& key) {
    Guard guard(lock_);
    if (LocationRecord* found = find(key))
        return found;
    auto record = std::make_unique<LocationRecord>();
    record->bssid = key;
    LocationRecord* result = record.get();
    cache_[key] = std::move(record);
    return result;
}

bool LocationTable::saveLocation(LocationRecord& record) {
    Guard guard(lock_);
    const int32_t old = record.status;
    // A line without an address could never be read back: the place would be lost.
    if (!record_status::needsSave(old) || !validKey(record.bssid))
        return false;
    // A new record is appended; a changed one replaces the key's line: every other
    // whole line is kept in order and the new line goes last.
    const bool replace = old != record_status::New;
    std::string bytes;
    if (replace) {
        datafile::LineReader reader(path_);
        if (!reader.isOpen())
            return false;
        const std::string prefix = record.bssid.str() + "\t";
        std::string_view line;
        while (reader.next(line)) {
            std::string_view text = datafile::lineText(line);
            if (text.compare(0, prefix.size(), prefix) == 0)
                continue;
            bytes += text;
            bytes += "\r\n";
        }
    }
    record.status = record_status::savedStatus(old);
    const std::string formatted = record.formatLine();
    const std::string_view line = stripLineBreak(formatted);
    bool ok;
    if (replace) {
        bytes += line;
        bytes += "\r\n";
        ok = replaceFileContent(path_, bytes);
        fileRewritten();
    } else {
        ok = appendOwnLine(line);
    }
    if (!ok)
        record.status = old;
    return ok;
}

bool LocationTable::namesPlace(uint32_t buildingId, std::string_view floor,
                               std::string_view location) const {
    Guard guard(lock_);
    datafile::LineReader reader(path_);
    std::string_view line;
    while (reader.next(line)) {
        const LocationFields fields = parseLocationFields(line);
        if (fields.buildingId == buildingId && fields.floor == floor && fields.location == location)
            return true;
    }
    return false;
}

std::unique_ptr<LocationRecord> LocationTable::parseRecord(std::string_view line,
                                                           const BssidKey& key) {
    Guard guard(lock_);
    LocationFields f = parseLocationFields(line);
    auto record = std::make_unique<LocationRecord>();
    record->bssid = key;
    record->status = f.status;
    record->floor = std::move(f.floor);
    record->location = std::move(f.location);
    if (f.buildingId != 0) {
        NamedRecord* b = buildings_.findById(f.buildingId);
        if (b && b->kind == RecordKind::Building)
            record->building = static_cast<BuildingRecord*>(b);
    }
    if (f.networkId != 0)
        record->network = networks_.findById(f.networkId);
    return record;
}

size_t LocationTable::cachedCount() const {
    Guard guard(lock_);
    return cache_.size();
}

void LocationTable::clearTable() {
    Guard guard(lock_);
    cache_.clear();
    TextTable::clearTable();
}

} // namespace nearbeam
