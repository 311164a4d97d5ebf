#include "server/storage/memory_storage.h"

#include <algorithm>
#include <mutex>

namespace nearbeam {
namespace {

class MemoryTransaction : public Transaction {
  public:
    MemoryTransaction(MemoryStorage::Tables& tables, bool writable)
        : t_(tables), writable_(writable) {}

    std::optional<StoredRecord> find(StoredKind kind, uint32_t id) override {
        auto& table = places(kind);
        auto it = table.find(id);
        return it == table.end() ? std::nullopt : std::optional<StoredRecord>(it->second);
    }
    std::optional<StoredRecord> findNamed(StoredKind kind, uint32_t parent, uint32_t area,
                                          const std::string& name) override {
        for (auto& [id, place] : places(kind))
            if (place.name == name && place.parent == parent &&
                (kind != StoredKind::Building || place.area == area))
                return place;
        return std::nullopt;
    }
    std::optional<AccessPoint> findAccessPoint(uint64_t bssid) override {
        auto it = t_.points.find(bssid);
        return it == t_.points.end() ? std::nullopt : std::optional<AccessPoint>(it->second);
    }
    std::vector<StoredRecord> servicesFor(const std::array<uint32_t, 7>& scopes) override {
        std::vector<StoredRecord> found;
        for (auto& [id, s] : places(StoredKind::Service))
            if (s.level == 0 ||
                (s.level > 0 && s.level < 7 && scopes[s.level] != 0 && scopes[s.level] == s.parent))
                found.push_back(s);
        return found;
    }
    uint32_t newId(StoredKind kind) override {
        if (!writable())
            return 0;
        uint32_t& next = t_.nextId[static_cast<int>(kind)];
        if (next >= kLocalIdsFrom) {
            fail("no server identifiers are left");
            return 0;
        }
        return next++;
    }
    bool put(StoredKind kind, const StoredRecord& place) override {
        if (!writable())
            return false;
        places(kind)[place.id] = place;
        uint32_t& next = t_.nextId[static_cast<int>(kind)];
        if (place.id < kLocalIdsFrom && place.id >= next)
            next = place.id + 1;
        return true;
    }
    bool putAccessPoint(const AccessPoint& point) override {
        if (!writable())
            return false;
        t_.points[point.bssid] = point;
        return true;
    }
    bool forEach(StoredKind kind, const std::function<void(const StoredRecord&)>& fn) override {
        for (auto& [id, place] : places(kind))
            fn(place);
        return true;
    }
    bool forEachAccessPoint(const std::function<void(const AccessPoint&)>& fn) override {
        for (auto& [bssid, point] : t_.points)
            fn(point);
        return true;
    }
    bool putScan(const StoredScan& scan) override {
        if (!writable())
            return false;
        t_.scans.push_back(scan);
        return true;
    }
    std::vector<StoredScan> scansOf(uint32_t building, size_t limit) override {
        std::vector<StoredScan> found;
        for (auto it = t_.scans.rbegin(); it != t_.scans.rend(); ++it)
            if (it->building == building &&
                it->floor.size() + it->location.size() + it->readings.size() <= kMaxScanLineLength)
                found.push_back(*it);
        // Newest first; of two with the same time, the later stored.
        std::stable_sort(found.begin(), found.end(),
                         [](const StoredScan& a, const StoredScan& b) { return a.time > b.time; });
        std::map<std::string, size_t> perUser;
        for (const StoredScan& s : found)
            ++perUser[s.user];
        if (perUser.size() > 1) {
            perUser.clear();
            found.erase(std::remove_if(found.begin(), found.end(),
                                       [&](const StoredScan& s) {
                                           return ++perUser[s.user] > fairShare(limit);
                                       }),
                        found.end());
        }
        if (found.size() > limit)
            found.resize(limit);
        return found;
    }
    bool forEachScan(const std::function<void(const StoredScan&)>& fn) override {
        for (const StoredScan& scan : t_.scans)
            fn(scan);
        return true;
    }
    bool noteUploadedPlace(StoredKind kind, uint32_t id, const std::string& user) override {
        if (!writable())
            return false;
        t_.uploaders[static_cast<int>(kind)][id] = user;
        return true;
    }
    bool noteUploadedAccessPoint(uint64_t bssid, const std::string& user) override {
        if (!writable())
            return false;
        t_.uploaders[kAccessPoints][bssid] = user;
        return true;
    }
    bool purgeUploads(const std::string& user, PurgeCounts& removed) override {
        if (!writable())
            return false;
        const size_t scans = t_.scans.size();
        t_.scans.erase(std::remove_if(t_.scans.begin(), t_.scans.end(),
                                      [&](const StoredScan& s) { return s.user == user; }),
                       t_.scans.end());
        removed.scans = scans - t_.scans.size();
        removed.accessPoints = 0;
        for (auto& [bssid, by] : t_.uploaders[kAccessPoints])
            if (by == user)
                removed.accessPoints += t_.points.erase(bssid);
        removed.places = 0;
        for (StoredKind kind : {StoredKind::Building, StoredKind::Area, StoredKind::City,
                                StoredKind::Province, StoredKind::Country}) {
            for (auto& [id, by] : t_.uploaders[static_cast<int>(kind)])
                if (by == user && !referred(kind, static_cast<uint32_t>(id)))
                    removed.places += places(kind).erase(static_cast<uint32_t>(id));
        }
        for (auto& uploaders : t_.uploaders)
            for (auto it = uploaders.begin(); it != uploaders.end();)
                it = it->second == user ? uploaders.erase(it) : std::next(it);
        return true;
    }
    std::optional<std::string> tokenHash(const std::string& user) override {
        auto it = t_.users.find(user);
        return it == t_.users.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool putUser(const std::string& user, const std::string& hash) override {
        if (!writable())
            return false;
        t_.users[user] = hash;
        return true;
    }
    bool removeUser(const std::string& user) override {
        if (!writable())
            return false;
        setFlag(user, UserFlag::Keeper, false); // a blocked user stays blocked
        return t_.users.erase(user) > 0;
    }
    std::vector<std::pair<std::string, std::string>> users() override {
        return {t_.users.begin(), t_.users.end()};
    }

    uint64_t newUpload(const std::string& user, const std::string& time) override {
        if (!writable())
            return 0;
        const uint64_t id = t_.uploads.size() + 1;
        t_.uploads.push_back(UploadEntry{id, user, time, 0, 0, false});
        return id;
    }
    bool updateUpload(const UploadEntry& entry) override {
        if (!writable())
            return false;
        if (entry.id == 0 || entry.id > t_.uploads.size())
            return false;
        t_.uploads[entry.id - 1] = entry;
        return true;
    }
    std::optional<UploadEntry> findUpload(uint64_t id) override {
        if (id == 0 || id > t_.uploads.size())
            return std::nullopt;
        return t_.uploads[id - 1];
    }
    std::vector<UploadEntry> uploads(uint64_t skip, uint64_t limit,
                                     const std::string& user) override {
        std::vector<UploadEntry> found;
        for (auto it = t_.uploads.rbegin(); it != t_.uploads.rend() && found.size() < limit; ++it)
            if (user.empty() || it->user == user) {
                if (skip > 0)
                    --skip;
                else
                    found.push_back(*it);
            }
        return found;
    }
    uint64_t uploadCount() override { return t_.uploads.size(); }
    bool putVersion(const RecordVersion& v) override {
        if (!writable())
            return false;
        t_.versions[{v.kind, v.key, v.upload}] = v.content;
        if (v.upload != 0 && v.kind >= 0 && v.kind <= kAccessPoints)
            t_.uploaders[v.kind].erase(v.key); // the history answers for it now
        return true;
    }
    std::vector<RecordVersion> versionsOf(int kind, uint64_t key) override {
        std::vector<RecordVersion> found;
        for (auto it = t_.versions.lower_bound({kind, key, 0});
             it != t_.versions.end() && std::get<0>(it->first) == kind &&
             std::get<1>(it->first) == key;
             ++it)
            found.push_back({std::get<2>(it->first), kind, key, it->second});
        return found;
    }
    std::vector<std::pair<int, uint64_t>> changedBy(uint64_t upload) override {
        std::vector<std::pair<int, uint64_t>> found;
        for (auto& [k, content] : t_.versions)
            if (std::get<2>(k) == upload)
                found.emplace_back(std::get<0>(k), std::get<1>(k));
        return found;
    }
    bool forEachVersion(const std::function<void(const RecordVersion&)>& fn) override {
        std::vector<RecordVersion> all;
        for (auto& [k, content] : t_.versions)
            all.push_back({std::get<2>(k), std::get<0>(k), std::get<1>(k), content});
        std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
            return std::tie(a.upload, a.kind, a.key) < std::tie(b.upload, b.kind, b.key);
        });
        for (const RecordVersion& v : all)
            fn(v);
        return true;
    }
    bool removeRecord(int kind, uint64_t key) override {
        if (!writable())
            return false;
        if (kind == kAccessPoints)
            t_.points.erase(key);
        else if (kind >= 0 && kind < kAccessPoints &&
                 !referred(static_cast<StoredKind>(kind), static_cast<uint32_t>(key)))
            places(static_cast<StoredKind>(kind)).erase(static_cast<uint32_t>(key));
        return true;
    }
    bool showScans(uint64_t upload, bool shown) override {
        if (!writable())
            return false;
        std::vector<StoredScan>& from = shown ? t_.hiddenScans : t_.scans;
        std::vector<StoredScan>& to = shown ? t_.scans : t_.hiddenScans;
        auto moved = std::stable_partition(from.begin(), from.end(),
                                           [&](const StoredScan& s) { return s.upload != upload; });
        to.insert(to.end(), moved, from.end());
        from.erase(moved, from.end());
        return true;
    }
    bool forEachHiddenScan(const std::function<void(const StoredScan&)>& fn) override {
        for (const StoredScan& scan : t_.hiddenScans)
            fn(scan);
        return true;
    }
    bool scanStored(const StoredScan& scan) override {
        for (const StoredScan& s : t_.scans)
            if (s.building == scan.building && s.user == scan.user && s.floor == scan.floor &&
                s.location == scan.location && s.readings == scan.readings)
                return true;
        return false;
    }
    bool setFlag(const std::string& user, UserFlag flag, bool on) override {
        if (!writable())
            return false;
        int& bits = t_.flags[user];
        bits = on ? bits | static_cast<int>(flag) : bits & ~static_cast<int>(flag);
        if (bits == 0)
            t_.flags.erase(user);
        return true;
    }
    bool hasFlag(const std::string& user, UserFlag flag) override {
        auto it = t_.flags.find(user);
        return it != t_.flags.end() && (it->second & static_cast<int>(flag));
    }
    std::vector<std::string> flagged(UserFlag flag) override {
        std::vector<std::string> found;
        for (auto& [user, bits] : t_.flags)
            if (bits & static_cast<int>(flag))
                found.push_back(user);
        return found;
    }

  private:
    static constexpr int kAccessPoints = kAccessPointRecord;

    std::map<uint32_t, StoredRecord>& places(StoredKind kind) {
        return t_.places[static_cast<int>(kind)];
    }
    // Whether an access point, a scan, a service or a place within refers to the place.
    bool referred(StoredKind kind, uint32_t id) {
        const int level = kind == StoredKind::Building   ? 6
                          : kind == StoredKind::Area     ? 5
                          : kind == StoredKind::City     ? 4
                          : kind == StoredKind::Province ? 3
                                                         : 2;
        for (auto& [key, s] : places(StoredKind::Service))
            if (s.level == level && s.parent == id)
                return true;
        switch (kind) {
        case StoredKind::Building:
            for (auto& [bssid, point] : t_.points)
                if (point.building == id)
                    return true;
            for (const StoredScan& scan : t_.scans)
                if (scan.building == id)
                    return true;
            return false;
        case StoredKind::Area:
            for (auto& [key, b] : places(StoredKind::Building))
                if (b.area == id)
                    return true;
            return false;
        case StoredKind::City:
            for (StoredKind child : {StoredKind::Building, StoredKind::Area})
                for (auto& [key, p] : places(child))
                    if (p.parent == id)
                        return true;
            return false;
        default: {
            const StoredKind child =
                kind == StoredKind::Province ? StoredKind::City : StoredKind::Province;
            for (auto& [key, p] : places(child))
                if (p.parent == id)
                    return true;
            return false;
        }
        }
    }
    bool writable() {
        if (!writable_)
            fail("a change was asked for while reading");
        return writable_;
    }

    MemoryStorage::Tables& t_;
    bool writable_;
};

} // namespace

bool MemoryStorage::read(const std::function<void(Transaction&)>& work, std::string& error) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    MemoryTransaction records(tables_, false);
    work(records);
    error = records.failure();
    return !records.failed();
}

bool MemoryStorage::write(const std::function<bool(Transaction&)>& work, std::string& error) {
    std::unique_lock<std::shared_mutex> lock(mutex_);
    Tables copy = tables_;
    MemoryTransaction records(copy, true);
    const bool good = work(records);
    error = records.failure();
    if (!good || records.failed())
        return false;
    tables_ = std::move(copy);
    return true;
}

} // namespace nearbeam
