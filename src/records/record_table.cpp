#include "records/record_table.h"

#include "records/record_lines.h"

#include <utility>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

RecordTable::RecordTable(std::recursive_mutex& lock, RecordKind kind, std::string fileName,
                         RecordTable* parentTable, RecordTable* areaTable,
                         std::function<uint32_t()> allocateId)
    : TextTable(lock, std::move(fileName)), kind_(kind), parentTable_(parentTable),
      areaTable_(areaTable), allocateId_(std::move(allocateId)) {}

NamedRecord* RecordTable::findById(uint32_t id) {
    Guard guard(lock_);
    if (id == 0) // none
        return nullptr;
    auto it = cache_.find(id);
    if (it != cache_.end()) {
        current_ = it->second.get();
        return current_;
    }
    auto line = firstPart([id](std::string_view part) { return leadingIdentifierIs(part, id); });
    if (!line)
        return nullptr;
    return cacheAsCurrent(parseRecord(*line));
}

NamedRecord* RecordTable::findByName(const std::string& name, NamedRecord* parent,
                                     NamedRecord* area, bool building) {
    Guard guard(lock_);
    for (auto& [id, record] : cache_) {
        if (record->parent != parent || record->name != name)
            continue;
        if (area) {
            auto* b = record->kind == RecordKind::Building
                          ? static_cast<BuildingRecord*>(record.get())
                          : nullptr;
            if (!b || b->area != area)
                continue;
        }
        current_ = record.get();
        return current_;
    }

    std::string search;
    if (!parent)
        search = "\t" + name + "\t";
    else if (building)
        search = "\t" + std::to_string(area ? area->id : 0) + "\t" + std::to_string(parent->id) +
                 "\t" + name + "\t";
    else
        search = "\t" + std::to_string(parent->id) + "\t" + name + "\t";
    if (search.size() > kMaxLineLength)
        search.resize(kMaxLineLength);

    auto line = firstPart([&](std::string_view part) {
        return part.find(search) != std::string_view::npos && readIdentifier(part) != 0;
    });
    if (!line)
        return nullptr;
    auto record = parseRecord(*line);
    auto it = cache_.find(record->id);
    if (it != cache_.end()) {
        current_ = it->second.get();
        return current_;
    }
    return cacheAsCurrent(std::move(record));
}

NamedRecord* RecordTable::cacheAsCurrent(std::unique_ptr<NamedRecord> record) {
    NamedRecord* result = record.get();
    cache_[record->id] = std::move(record);
    current_ = result;
    return result;
}

NamedRecord* RecordTable::findOrCreate(const std::string& name, NamedRecord* parent,
                                       NamedRecord* area, bool building) {
    Guard guard(lock_);
    if (NamedRecord* found = findByName(name, parent, area, building))
        return found;
    auto record = newRecord();
    // Never 0 (none), never an identifier the cache already holds.
    do {
        record->id = allocateId_ ? allocateId_() : 0;
    } while (allocateId_ && (record->id == 0 || cache_.count(record->id)));
    record->name = name;
    record->parent = parent;
    if (area && record->kind == RecordKind::Building)
        static_cast<BuildingRecord*>(record.get())->area = area;
    return cacheAsCurrent(std::move(record));
}

bool RecordTable::saveRecord(NamedRecord& record) {
    Guard guard(lock_);
    const int32_t old = record.status;
    if (!record_status::needsSave(old))
        return false;
    record.status = record_status::savedStatus(old);
    if (!appendOwnLine(stripLineBreak(record.formatLine()))) {
        record.status = old;
        return false;
    }
    return true;
}

NamedRecord* RecordTable::currentRecord() const {
    Guard guard(lock_);
    return current_;
}

std::unique_ptr<NamedRecord> RecordTable::newRecord() const {
    switch (kind_) {
    case RecordKind::Building:
        return std::make_unique<BuildingRecord>();
    case RecordKind::Service:
        return std::make_unique<ServiceRecord>();
    default:
        return std::make_unique<NamedRecord>(kind_);
    }
}

std::unique_ptr<NamedRecord> RecordTable::parseRecord(std::string_view line) {
    Guard guard(lock_);
    RecordFields f = parseRecordFields(kind_, line);
    auto record = newRecord();
    record->id = f.id;
    record->name = std::move(f.name);
    switch (kind_) {
    case RecordKind::Network:
    case RecordKind::Country:
        record->status = f.status;
        break;
    case RecordKind::Province:
    case RecordKind::City:
    case RecordKind::Area:
        record->status = f.status;
        if (parentTable_ && f.parentId != 0)
            record->parent = parentTable_->findById(f.parentId);
        break;
    case RecordKind::Building: {
        auto* b = static_cast<BuildingRecord*>(record.get());
        b->streetAddress = std::move(f.streetAddress);
        b->status = f.status;
        if (areaTable_ && f.areaId != 0)
            b->area = areaTable_->findById(f.areaId);
        if (parentTable_ && f.parentId != 0)
            b->parent = parentTable_->findById(f.parentId);
        break;
    }
    case RecordKind::Service: {
        auto* s = static_cast<ServiceRecord*>(record.get());
        s->scopeId = f.scopeId;
        s->level = f.level;
        s->url = std::move(f.url);
        break;
    }
    }
    return record;
}

size_t RecordTable::cachedCount() const {
    Guard guard(lock_);
    return cache_.size();
}

void RecordTable::clearTable() {
    Guard guard(lock_);
    cache_.clear();
    current_ = nullptr;
    TextTable::clearTable();
}

} // namespace nearbeam
