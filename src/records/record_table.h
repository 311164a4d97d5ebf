#pragma once
// A table of named records of one kind (see text_table.h).
#include "records/records.h"
#include "records/text_table.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace nearbeam {

// A table of named records of one kind.
class RecordTable : public TextTable {
  public:
    // parentTable: where the parent identifier is looked up (country table for
    // provinces, province for cities, city for areas and buildings); areaTable:
    // for buildings. allocateId hands out local identifiers.
    RecordTable(std::recursive_mutex& lock, RecordKind kind, std::string fileName,
                RecordTable* parentTable, RecordTable* areaTable,
                std::function<uint32_t()> allocateId);

    RecordKind kind() const { return kind_; }

    // The cached record, or the first line whose leading number is id.
    NamedRecord* findById(uint32_t id);
    // By name and parent (none for countries); for buildings also the area (none
    // for a building outside any area) and building = true. The cache first, in
    // ascending identifier order, then the first line containing the search text
    // (a line without an identifier names no record and is passed over).
    NamedRecord* findByName(const std::string& name, NamedRecord* parent, NamedRecord* area,
                            bool building);
    // findByName, or a new record (status 2) under a new local identifier, cached
    // but not written.
    NamedRecord* findOrCreate(const std::string& name, NamedRecord* parent, NamedRecord* area,
                              bool building);
    // Appends a record in status 2, 4 or 5 (status becomes 3, or 6 from 5). False
    // when nothing was written (other status, or the file could not be opened).
    bool saveRecord(NamedRecord& record);

    // The record most recently found or made by the three finds; none at start
    // and after a clear.
    NamedRecord* currentRecord() const;

    // A new record of the table's kind: status 2, identifier 0, empty, no parent.
    std::unique_ptr<NamedRecord> newRecord() const;
    // A record read from a line; references are looked up in the parent tables
    // (which may read their files). Not cached.
    std::unique_ptr<NamedRecord> parseRecord(std::string_view line);

    size_t cachedCount() const;
    void clearTable() override;

  private:
    // Puts a record into the cache under its identifier and makes it current.
    NamedRecord* cacheAsCurrent(std::unique_ptr<NamedRecord> record);

    RecordKind kind_;
    RecordTable* parentTable_;
    RecordTable* areaTable_;
    std::function<uint32_t()> allocateId_;
    std::map<uint32_t, std::unique_ptr<NamedRecord>> cache_;
    NamedRecord* current_ = nullptr;
};

} // namespace nearbeam
