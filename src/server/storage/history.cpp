#include "server/storage/history.h"

#include "server/storage/tab_fields.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace nearbeam {
namespace {

// Which uploads are served, asked once each.
class Served {
  public:
    explicit Served(Transaction& records) : r_(records) {}
    bool operator()(uint64_t upload) {
        if (upload == 0)
            return true;
        auto it = known_.find(upload);
        if (it != known_.end())
            return it->second;
        const std::optional<UploadEntry> entry = r_.findUpload(upload);
        const bool served = !entry || (!entry->withdrawn && userServed(r_, entry->user));
        known_[upload] = served;
        return served;
    }

  private:
    Transaction& r_;
    std::map<uint64_t, bool> known_;
};

// Serves each record's newest served version: parents first when records come
// back, children first when they go, so nothing refers to a place not there.
bool settle(Transaction& r, std::vector<std::pair<int, uint64_t>> keys, HistoryCounts& counts) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    Served served(r);
    std::vector<std::pair<int, uint64_t>> gone;
    for (const auto& [kind, key] : keys) {
        std::optional<RecordVersion> newest;
        for (const RecordVersion& v : r.versionsOf(kind, key))
            if (served(v.upload))
                newest = v;
        if (r.failed())
            return false;
        if (!newest) {
            gone.emplace_back(kind, key);
            continue;
        }
        bool put = false;
        if (kind == kAccessPointRecord) {
            const auto point = accessPointFromContent(key, newest->content);
            put = point && (r.findAccessPoint(key) == point || r.putAccessPoint(*point));
        } else {
            const auto place = placeFromContent(static_cast<uint32_t>(key), newest->content);
            const auto k = static_cast<StoredKind>(kind);
            put = place && (r.find(k, place->id) == place || r.put(k, *place));
        }
        if (!put)
            return false;
        ++(kind == kAccessPointRecord ? counts.accessPoints : counts.places);
    }
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
        if (!r.removeRecord(it->first, it->second))
            return false;
        ++(it->first == kAccessPointRecord ? counts.accessPoints : counts.places);
    }
    return !r.failed();
}

// Takes an upload out of the map or puts it back, as it is served now.
bool apply(Transaction& r, const UploadEntry& entry, bool shown, HistoryCounts& counts) {
    if (!r.showScans(entry.id, shown))
        return false;
    counts.scans += entry.scans;
    ++counts.uploads;
    return settle(r, r.changedBy(entry.id), counts);
}

HistoryChange changeUpload(Transaction& r, uint64_t id, bool withdraw, HistoryCounts& counts) {
    std::optional<UploadEntry> entry = r.findUpload(id);
    if (r.failed())
        return HistoryChange::StorageFailed;
    if (!entry)
        return HistoryChange::NoSuchUpload;
    if (entry->withdrawn == withdraw)
        return withdraw ? HistoryChange::AlreadyWithdrawn : HistoryChange::NotWithdrawn;
    entry->withdrawn = withdraw;
    if (!r.updateUpload(*entry))
        return HistoryChange::StorageFailed;
    // A blocked user's uploads are out of the map whether withdrawn or not.
    if (userServed(r, entry->user) && !apply(r, *entry, !withdraw, counts))
        return HistoryChange::StorageFailed;
    return r.failed() ? HistoryChange::StorageFailed : HistoryChange::Done;
}

bool noteVersion(Transaction& r, uint64_t upload, int kind, uint64_t key, bool exists,
                 const std::string& before, const std::string& after) {
    if (exists && r.versionsOf(kind, key).empty() && !r.putVersion({0, kind, key, before}))
        return false;
    return !r.failed() && r.putVersion({upload, kind, key, after});
}

} // namespace

std::string placeContent(const StoredRecord& p) {
    return std::to_string(p.parent) + '\t' + std::to_string(p.area) + '\t' +
           std::to_string(p.level) + '\t' + p.name + '\t' + p.street + '\t' + p.url;
}

std::optional<StoredRecord> placeFromContent(uint32_t id, const std::string& content) {
    const std::vector<std::string> f = tabFields(content, 6);
    if (f.empty())
        return std::nullopt;
    const auto parent = wholeNumber(f[0]), area = wholeNumber(f[1]);
    const bool negative = !f[2].empty() && f[2][0] == '-';
    const auto level = wholeNumber(negative ? f[2].substr(1) : f[2]);
    if (!parent || !area || !level)
        return std::nullopt;
    return StoredRecord{id,
                        static_cast<uint32_t>(*parent),
                        static_cast<uint32_t>(*area),
                        static_cast<int32_t>(negative ? -static_cast<int64_t>(*level)
                                                      : static_cast<int64_t>(*level)),
                        f[3],
                        f[4],
                        f[5]};
}

std::string accessPointContent(const AccessPoint& a) {
    return std::to_string(a.building) + '\t' + std::to_string(a.network) + '\t' + a.floor + '\t' +
           a.location;
}

std::optional<AccessPoint> accessPointFromContent(uint64_t bssid, const std::string& content) {
    const std::vector<std::string> f = tabFields(content, 4);
    if (f.empty())
        return std::nullopt;
    const auto building = wholeNumber(f[0]), network = wholeNumber(f[1]);
    if (!building || !network)
        return std::nullopt;
    return AccessPoint{bssid, static_cast<uint32_t>(*building), static_cast<uint32_t>(*network),
                       f[2], f[3]};
}

bool notePlaceVersion(Transaction& r, uint64_t upload, StoredKind kind, const StoredRecord& place) {
    const std::optional<StoredRecord> now = r.find(kind, place.id);
    return noteVersion(r, upload, static_cast<int>(kind), place.id, now.has_value(),
                       now ? placeContent(*now) : std::string(), placeContent(place));
}

bool noteAccessPointVersion(Transaction& r, uint64_t upload, const AccessPoint& point) {
    const std::optional<AccessPoint> now = r.findAccessPoint(point.bssid);
    return noteVersion(r, upload, kAccessPointRecord, point.bssid, now.has_value(),
                       now ? accessPointContent(*now) : std::string(), accessPointContent(point));
}

std::string historyChangeText(HistoryChange change, const std::string& subject) {
    switch (change) {
    case HistoryChange::Done:
        return "Done.";
    case HistoryChange::NoSuchUpload:
        return "There is no upload " + subject + ".";
    case HistoryChange::AlreadyWithdrawn:
        return "Upload " + subject + " is withdrawn already.";
    case HistoryChange::NotWithdrawn:
        return "Upload " + subject + " is not withdrawn.";
    case HistoryChange::NoSuchUser:
        return "There is no user " + subject + ".";
    case HistoryChange::AlreadyBlocked:
        return "User " + subject + " is blocked already.";
    case HistoryChange::NotBlocked:
        return "User " + subject + " is not blocked.";
    case HistoryChange::StorageFailed:
        break;
    }
    return "The map server cannot change its records now; try again later.";
}

HistoryChange withdrawUpload(Transaction& r, uint64_t id, HistoryCounts& counts) {
    return changeUpload(r, id, true, counts);
}

HistoryChange restoreUpload(Transaction& r, uint64_t id, HistoryCounts& counts) {
    return changeUpload(r, id, false, counts);
}

HistoryChange blockUser(Transaction& r, const std::string& user, bool block,
                        HistoryCounts& counts) {
    const bool blocked = r.hasFlag(user, UserFlag::Blocked);
    if (r.failed())
        return HistoryChange::StorageFailed;
    if (block && !blocked && !r.tokenHash(user))
        return r.failed() ? HistoryChange::StorageFailed : HistoryChange::NoSuchUser;
    if (block == blocked)
        return block ? HistoryChange::AlreadyBlocked : HistoryChange::NotBlocked;
    if (!r.setFlag(user, UserFlag::Blocked, block))
        return HistoryChange::StorageFailed;
    // Oldest first, as they came: the settling serves the newest in any case.
    std::vector<UploadEntry> theirs = r.uploads(0, INT64_MAX, user);
    std::reverse(theirs.begin(), theirs.end());
    for (const UploadEntry& entry : theirs)
        if (!entry.withdrawn && !apply(r, entry, !block, counts))
            return HistoryChange::StorageFailed;
    return r.failed() ? HistoryChange::StorageFailed : HistoryChange::Done;
}

bool userServed(Transaction& r, const std::string& user) {
    return !r.hasFlag(user, UserFlag::Blocked);
}

} // namespace nearbeam
