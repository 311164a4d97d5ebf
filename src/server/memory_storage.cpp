#include "server/memory_storage.h"

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
        return writable() && t_.users.erase(user) > 0;
    }
    std::vector<std::pair<std::string, std::string>> users() override {
        return {t_.users.begin(), t_.users.end()};
    }

  private:
    std::map<uint32_t, StoredRecord>& places(StoredKind kind) {
        return t_.places[static_cast<int>(kind)];
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
