#pragma once
// The location records over ap.txt (see text_table.h).
#include "records/bssid_key.h"
#include "records/record_table.h"
#include "records/records.h"
#include "records/text_table.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace nearbeam {

// The location records, keyed by BSSID, over ap.txt.
class LocationTable : public TextTable {
  public:
    LocationTable(std::recursive_mutex& lock, std::string fileName, RecordTable& buildings,
                  RecordTable& networks);

    // The cached record, or the first line whose first 12 characters are the key
    // (found through the key index).
    LocationRecord* find(const BssidKey& key);
    // find, or a new record (status 2) with the key, cached but not written.
    LocationRecord* findOrCreate(const BssidKey& key);
    // Status 2: appended with status 3. Status 4 or 5: the key's line is replaced
    // (every other line kept in order, the new line last, status 3 or 6), the file
    // replaced in one step. Any other status: nothing. False when nothing was written.
    bool saveLocation(LocationRecord& record);

    // Whether a line of the file places an access point at the building, floor and
    // location (texts as the file holds them).
    bool namesPlace(uint32_t buildingId, std::string_view floor, std::string_view location) const;

    // A record read from a line, with the given key; building and network looked up.
    std::unique_ptr<LocationRecord> parseRecord(std::string_view line, const BssidKey& key);

    size_t cachedCount() const;
    void clearTable() override;

  private:
    RecordTable& buildings_;
    RecordTable& networks_;
    std::map<BssidKey, std::unique_ptr<LocationRecord>> cache_;
};

} // namespace nearbeam
