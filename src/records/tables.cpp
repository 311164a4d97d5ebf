#include "records/tables.h"

#include "base/file_ops.h"
#include "records/record_lines.h"

#include <cstring>
#include <utility>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

namespace {

// A line (without its line break) in status 0: it ends in a tab and "0".
bool isServerLine(std::string_view text) {
    return text.size() >= 2 && text.compare(text.size() - 2, 2, "\t0") == 0;
}

bool validKey(const BssidKey& key) {
    return key.length() == BssidKey::kLength;
}

// Only new or changed records are written by a save.
bool needsSave(int32_t status) {
    return status == record_status::New || status == record_status::LocalChanged ||
           status == record_status::Changed;
}

// The status a save gives: 5 becomes 6, anything else 3.
int32_t savedStatus(int32_t status) {
    return status == record_status::Changed ? record_status::ChangedWritten : record_status::Local;
}

} // namespace

// ---------------------------------------------------------------------------
// TextTable

TextTable::TextTable(std::recursive_mutex& lock, std::string fileName)
    : lock_(lock), fileName_(std::move(fileName)) {}

std::string TextTable::path() const {
    Guard guard(lock_);
    return path_;
}

void TextTable::setFolder(const std::string& folder) {
    Guard guard(lock_);
    path_ = folder.empty() ? std::string() : folder + fileName_;
    index_ = KeyIndex();
    lookupIndex_.invalidate();
}

void TextTable::refreshLookupIndex() {
    Guard guard(lock_);
    lookupIndex_.refresh(path_);
}

size_t TextTable::lookupIndexBytes() const {
    Guard guard(lock_);
    return lookupIndex_.memoryBytes();
}

bool TextTable::appendOwnLine(std::string_view line) {
    const FileStamp before = fileStamp(path_);
    const bool ok = datafile::appendLine(path_, line);
    // The merge's key index is built anew when the next reply comes.
    index_.valid = false;
    lookupIndex_.appended(path_, before, ok);
    return ok;
}

void TextTable::forEachChild(const NameCallback& callback, uint32_t parentId) const {
    std::vector<std::string> names;
    {
        Guard guard(lock_);
        scanParts([&](std::string_view part) {
            auto fields = splitCollapsing(stripLineBreak(part));
            if (parentId == 0) {
                if (fields.size() >= 2)
                    names.emplace_back(fields[1]);
            } else if (fields.size() >= 3 && numberFieldIs(fields[1], parentId)) {
                names.emplace_back(fields[2]);
            }
            return false;
        });
    }
    for (const auto& name : names)
        callback(name);
}

void TextTable::forEachBuilding(const NameCallback& callback, uint32_t cityId,
                                uint32_t areaId) const {
    std::vector<std::string> names;
    {
        Guard guard(lock_);
        scanParts([&](std::string_view part) {
            auto fields = splitCollapsing(stripLineBreak(part));
            if (fields.size() >= 4 && numberFieldIs(fields[1], areaId) &&
                numberFieldIs(fields[2], cityId))
                names.emplace_back(fields[3]);
            return false;
        });
    }
    for (const auto& name : names)
        callback(name);
}

bool TextTable::serverLineUsable(std::string_view& line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    // A line break inside would write two lines; a NUL would cut the line for
    // every reader of it.
    if (line.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos)
        return false;
    return line.find('\t') != std::string_view::npos;
}

void TextTable::refreshIndex() {
    FileStamp now = fileStamp(path_);
    if (index_.valid && index_.stamp == now)
        return;
    index_.keys.clear();
    if (now.size > 0)
        index_.keys.reserve(static_cast<size_t>(now.size / 24));
    scanParts([&](std::string_view part) {
        size_t tab = part.find('\t');
        if (tab != std::string_view::npos)
            index_.keys.insert(part.substr(0, tab + 1));
        return false;
    });
    index_.stamp = now;
    index_.valid = true;
}

size_t TextTable::appendServerLinesLocked(const std::vector<std::string_view>& lines,
                                          std::vector<bool>* added) {
    if (added)
        added->assign(lines.size(), false);
    if (path_.empty())
        return 0;
    refreshIndex();
    const FileStamp before = index_.stamp;
    std::string bytes;
    std::vector<size_t> which;
    std::string longLine;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (!serverLineUsable(line))
            continue;
        // A new key joins the index at once, so a later line of the batch with the
        // same key is refused just as it would be after a separate append.
        if (!index_.keys.insert(line.substr(0, line.find('\t') + 1)))
            continue;
        if (line.size() + 3 > kMaxLineLength) {
            // Read back, a long line's later parts are lines of their own whose
            // keys take part in later checks too.
            longLine.assign(line);
            longLine += "\t0\n";
            datafile::forEachPart(std::string_view(longLine), [&](std::string_view part) {
                size_t t = part.find('\t');
                if (t != std::string_view::npos)
                    index_.keys.insert(part.substr(0, t + 1));
                return false;
            });
        }
        bytes += line;
        bytes += "\t0\r\n";
        which.push_back(i);
    }
    if (which.empty())
        return 0;
    if (!datafile::appendBytes(path_, bytes)) {
        index_ = KeyIndex();
        lookupIndex_.appended(path_, before, false);
        return 0;
    }
    index_.stamp = fileStamp(path_);
    lookupIndex_.appended(path_, before, true);
    if (added) {
        for (size_t i : which)
            (*added)[i] = true;
    }
    return which.size();
}

bool TextTable::appendServerLine(std::string_view line) {
    Guard guard(lock_);
    return appendServerLinesLocked({line}, nullptr) == 1;
}

size_t TextTable::appendServerLines(const std::vector<std::string>& lines,
                                    std::vector<bool>* added) {
    Guard guard(lock_);
    std::vector<std::string_view> views(lines.begin(), lines.end());
    return appendServerLinesLocked(views, added);
}

bool TextTable::purgeLocal() {
    Guard guard(lock_);
    if (path_.empty())
        return false;
    const std::string backup = path_ + ".bak";
    const std::optional<std::string> kept = datafile::linesWhere(path_, isServerLine);
    if (!kept)
        return false;
    // The old file stays as the backup, which replaces the older one in one step
    // (deleted first, a crash could leave none); the file itself is replaced in
    // one step too. A backup that cannot be made leaves no stale one behind.
    if (!datafile::copyFile(path_, backup))
        removeFile(backup);
    bool ok = replaceFileContent(path_, *kept);
    fileRewritten();
    return ok;
}

std::string TextTable::collectLocal() const {
    Guard guard(lock_);
    std::string out;
    datafile::LineReader reader(path_);
    std::string_view line;
    while (reader.next(line)) {
        std::string_view text = datafile::lineText(line);
        if (!isServerLine(text)) {
            out += text;
            out += '\n';
        }
    }
    return out;
}

void TextTable::clearTable() {
    Guard guard(lock_);
    removeFile(path_);
    removeFile(BssidIndex::savedPath(path_));
    index_ = KeyIndex();
    lookupIndex_.invalidate();
}

// ---------------------------------------------------------------------------
// RecordTable

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
    if (!needsSave(old))
        return false;
    record.status = savedStatus(old);
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

// ---------------------------------------------------------------------------
// LocationTable

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
    if (!needsSave(old))
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
    record.status = savedStatus(old);
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

// ---------------------------------------------------------------------------
// AskedList

AskedList::AskedList(std::recursive_mutex& lock, std::string fileName)
    : TextTable(lock, std::move(fileName)) {}

bool AskedList::contains(const BssidKey& key) {
    Guard guard(lock_);
    if (keys_.count(key))
        return true;
    if (!validKey(key) || !lookupIndex_.firstPart(path_, key))
        return false;
    keys_.insert(key);
    return true;
}

bool AskedList::add(const BssidKey& key) {
    Guard guard(lock_);
    if (contains(key))
        return true;
    if (!validKey(key))
        return false;
    keys_.insert(key);
    return appendOwnLine(key.view());
}

void AskedList::clearTable() {
    Guard guard(lock_);
    keys_.clear();
    TextTable::clearTable();
}

} // namespace nearbeam
