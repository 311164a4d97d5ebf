#pragma once
// Where the location server keeps its records and its accounts: a table per
// record kind, keyed as the protocol keys them, read and written in transactions.
// The protocol (location_service.h), the accounts (accounts.h) and the folder
// import and export (folder_io.h) work on any Storage; the server opens SQLite or
// PostgreSQL (open_storage.h), the loopback test server keeps its records in
// memory (memory_storage.h).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

// The server hands out identifiers upwards from 1; the program's local ones count
// down from 4294967295 and never reach this range.
inline constexpr uint32_t kLocalIdsFrom = 0x80000000u;

// The named record kinds, in the order their tables are written and read.
enum class StoredKind { Country, Province, City, Area, Building, Network, Service };
inline constexpr StoredKind kStoredKinds[] = {
    StoredKind::Country,  StoredKind::Province, StoredKind::City,   StoredKind::Area,
    StoredKind::Building, StoredKind::Network,  StoredKind::Service};

// A named record as the server keeps it. Every stored record is the server's own,
// so there is no status.
struct StoredRecord {
    uint32_t id = 0;
    // Province: its country; city: its province; area and building: the city;
    // service: the identifier of the place it is attached to.
    uint32_t parent = 0;
    uint32_t area = 0;  // building only; 0 when in no area
    int32_t level = 0;  // service only: the level of `parent` (0 everywhere … 6 building)
    std::string name;   // service: its label
    std::string street; // building only
    std::string url;    // service only
    bool operator==(const StoredRecord& o) const {
        return id == o.id && parent == o.parent && area == o.area && level == o.level &&
               name == o.name && street == o.street && url == o.url;
    }
};

// An access point's record, keyed by its hardware address as a 48-bit number.
struct AccessPoint {
    uint64_t bssid = 0;
    uint32_t building = 0;
    uint32_t network = 0;
    std::string floor;
    std::string location;
    bool operator==(const AccessPoint& o) const {
        return bssid == o.bssid && building == o.building && network == o.network &&
               floor == o.floor && location == o.location;
    }
};

// A survey scan as the server keeps it: the access points heard and their signals
// in one text, as the protocol's scan line writes them
// ("02a0c0000025:-91\t001aff09b07c:-60"), so a download reads a scan whole.
struct StoredScan {
    uint32_t building = 0;
    std::string floor;
    std::string location;
    std::string time;     // UTC, "2026-12-08T09:15:00Z"
    std::string user;     // who uploaded it; empty for an imported scan
    std::string readings; // at least one access point
    uint64_t upload = 0;  // the upload that brought it; 0 for an imported scan
    bool operator==(const StoredScan& o) const {
        return building == o.building && floor == o.floor && location == o.location &&
               time == o.time && user == o.user && readings == o.readings && upload == o.upload;
    }
};

// An accepted upload, numbered upwards from 1: who made it, when (UTC, as scan
// times are written), how many records and scans it stored, and whether a keeper
// withdrew it.
struct UploadEntry {
    uint64_t id = 0;
    std::string user;
    std::string time;
    uint64_t records = 0;
    uint64_t scans = 0;
    bool withdrawn = false;
    bool operator==(const UploadEntry& o) const {
        return id == o.id && user == o.user && time == o.time && records == o.records &&
               scans == o.scans && withdrawn == o.withdrawn;
    }
};

// The kind of a versioned record: a StoredKind's number, or this for access points.
inline constexpr int kAccessPointRecord = 7;

// A record as one upload left it (upload 0: as it was before any upload changed
// it). `key` is the place's identifier or the access point's address; `content`
// the record's fields (storage/history.h writes and reads them).
struct RecordVersion {
    uint64_t upload = 0;
    int kind = 0;
    uint64_t key = 0;
    std::string content;
    bool operator==(const RecordVersion& o) const {
        return upload == o.upload && kind == o.kind && key == o.key && content == o.content;
    }
};

// What an account may do besides uploading: keep the map (withdraw and restore
// uploads, block users), or nothing at all while blocked (its uploads are not served).
enum class UserFlag { Keeper = 1, Blocked = 2 };

// The most scans of one account a building's download serves while others have
// scans there too: a quarter.
inline size_t fairShare(size_t limit) {
    return limit < 4 ? 1 : limit / 4;
}

// A scan's line in the protocol is at most this long: a floor and a location as
// an access point's line holds them, a time and 60 readings fit with room to
// spare. A storage reads no scan for a download whose floor, location and
// readings alone are longer (one stored before scans were bounded).
inline constexpr size_t kMaxScanLineLength = 1536;

// What a purge of a user's uploads removed (or, for uploads in the history,
// took out of the map and changed back).
struct PurgeCounts {
    size_t uploads = 0; // withdrawn
    size_t scans = 0;
    size_t accessPoints = 0;
    size_t places = 0;
};

// Everything a download sends about an access point: the access point, the places
// it refers to (none where missing), the services offered at its places' levels
// and everywhere (by identifier), and the newest scans of its building (newest
// first). Empty when the access point is not known.
struct DownloadRecords {
    std::optional<AccessPoint> point;
    std::optional<StoredRecord> network, building, area, city, province, country;
    std::vector<StoredRecord> services;
    std::vector<StoredScan> scans;
};

// The records as one transaction sees them. An operation that fails for the
// storage's sake (not for a record that is not there) marks the transaction
// failed, and a failed transaction is rolled back whatever its work says.
class Transaction {
  public:
    virtual ~Transaction() = default;

    virtual std::optional<StoredRecord> find(StoredKind kind, uint32_t id) = 0;
    // The record of the kind with this name under this parent (0 for countries and
    // networks) and, for buildings, in this area (0: in none). The lowest
    // identifier when there are several.
    virtual std::optional<StoredRecord> findNamed(StoredKind kind, uint32_t parent, uint32_t area,
                                                  const std::string& name) = 0;
    virtual std::optional<AccessPoint> findAccessPoint(uint64_t bssid) = 0;
    // The services offered everywhere (level 0) and those attached at a level L of
    // 1 to 6 to the place scopes[L] (0: no place at that level), by identifier.
    virtual std::vector<StoredRecord> servicesFor(const std::array<uint32_t, 7>& scopes) = 0;

    // A server identifier for a new record of the kind, never handed out before,
    // also not by other processes sharing the storage; 0 when none could be had.
    virtual uint32_t newId(StoredKind kind) = 0;
    // Stores the record, replacing the one with its identifier.
    virtual bool put(StoredKind kind, const StoredRecord& place) = 0;
    virtual bool putAccessPoint(const AccessPoint& point) = 0;

    // What a download of the access point sends, with at most scanLimit scans. This
    // one asks the calls above in turn; a storage may read it all at once.
    virtual DownloadRecords downloadRecords(uint64_t bssid, size_t scanLimit);

    // Every record of the kind, by identifier; access points by address.
    virtual bool forEach(StoredKind kind, const std::function<void(const StoredRecord&)>& fn) = 0;
    virtual bool forEachAccessPoint(const std::function<void(const AccessPoint&)>& fn) = 0;

    // Survey scans. At most `limit` of the building's that fit kMaxScanLineLength,
    // newest first (by time, then the later stored first); while more than one
    // account has scans there, at
    // most fairShare(limit) of each account's (its newest), so no account fills a
    // download with scans of its own.
    virtual bool putScan(const StoredScan& scan) = 0;
    virtual std::vector<StoredScan> scansOf(uint32_t building, size_t limit) = 0;
    // Every scan, in the order stored.
    virtual bool forEachScan(const std::function<void(const StoredScan&)>& fn) = 0;

    // Who uploaded what: a place an upload made, an access point an upload stored
    // (the last one to store it counts).
    virtual bool noteUploadedPlace(StoredKind kind, uint32_t id, const std::string& user) = 0;
    virtual bool noteUploadedAccessPoint(uint64_t bssid, const std::string& user) = 0;
    // Removes what the user uploaded: their scans, the access points they stored
    // last, and the places they made that nothing refers to any more (no access
    // point, scan, service or place within). Their other records stay.
    virtual bool purgeUploads(const std::string& user, PurgeCounts& removed) = 0;

    // The upload history (storage/history.h puts it to use). A new upload's entry;
    // 0 when none could be made.
    virtual uint64_t newUpload(const std::string& user, const std::string& time) = 0;
    // Replaces the entry's counts and withdrawn mark.
    virtual bool updateUpload(const UploadEntry& entry) = 0;
    virtual std::optional<UploadEntry> findUpload(uint64_t id) = 0;
    // Newest first, `limit` of them after the first `skip`; all of one user's
    // when `user` is given.
    virtual std::vector<UploadEntry> uploads(uint64_t skip, uint64_t limit,
                                             const std::string& user = {}) = 0;
    virtual uint64_t uploadCount() = 0;
    // Keeps a version; a second one of the same upload and record replaces it.
    virtual bool putVersion(const RecordVersion& version) = 0;
    // A record's versions, oldest upload first.
    virtual std::vector<RecordVersion> versionsOf(int kind, uint64_t key) = 0;
    // The records an upload changed, as (kind, key).
    virtual std::vector<std::pair<int, uint64_t>> changedBy(uint64_t upload) = 0;
    // Every version, by upload, kind and key.
    virtual bool forEachVersion(const std::function<void(const RecordVersion&)>& fn) = 0;
    // Removes a place no access point, scan, service or place within refers to, or
    // an access point; true also when it stays for being referred to.
    virtual bool removeRecord(int kind, uint64_t key) = 0;
    // Takes an upload's scans out of the map (kept aside, in their order) or puts
    // them back.
    virtual bool showScans(uint64_t upload, bool shown) = 0;
    // The scans taken out of the map, in the order stored.
    virtual bool forEachHiddenScan(const std::function<void(const StoredScan&)>& fn) = 0;
    // Whether the map holds a scan of this user, building, floor, location and
    // readings (at any time).
    virtual bool scanStored(const StoredScan& scan) = 0;

    // Accounts: a user's name and the hash of their login token (never the token).
    virtual std::optional<std::string> tokenHash(const std::string& user) = 0;
    virtual bool putUser(const std::string& user, const std::string& tokenHash) = 0;
    // False when there was no such user.
    virtual bool removeUser(const std::string& user) = 0;
    // Every user with their hash, by name.
    virtual std::vector<std::pair<std::string, std::string>> users() = 0;
    // A user's flags; removing the user removes Keeper (a blocked one stays so).
    virtual bool setFlag(const std::string& user, UserFlag flag, bool on) = 0;
    virtual bool hasFlag(const std::string& user, UserFlag flag) = 0;
    // The users with the flag, by name.
    virtual std::vector<std::string> flagged(UserFlag flag) = 0;

    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }

  protected:
    void fail(const std::string& reason) {
        if (failure_.empty())
            failure_ = reason.empty() ? "the storage failed" : reason;
    }
    // For records reused by the next transaction.
    void clearFailure() { failure_.clear(); }

  private:
    std::string failure_;
};

// How a storage keeps login tokens: a one-way hash, and its check.
class TokenHasher {
  public:
    virtual ~TokenHasher() = default;
    // Empty when the hash could not be made.
    virtual std::string hash(const std::string& token) const = 0;
    virtual bool verify(const std::string& hash, const std::string& token) const = 0;
};

class Storage {
  public:
    explicit Storage(std::shared_ptr<const TokenHasher> hasher) : hasher_(std::move(hasher)) {}
    virtual ~Storage() = default;
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // Runs work over a consistent view of the records. False, with a one-line
    // reason, when the storage could not be read.
    virtual bool read(const std::function<void(Transaction&)>& work, std::string& error) = 0;
    // Runs work in one transaction: committed when work returns true and nothing
    // failed, rolled back otherwise. True only once committed; a false from work
    // leaves `error` empty, a failure of the storage explains itself there.
    virtual bool write(const std::function<bool(Transaction&)>& work, std::string& error) = 0;
    // Runs work that reads with one statement (downloadRecords), which sees one
    // consistent view by itself: a storage may then leave out the transaction and
    // its round trips. By default the same as read.
    virtual bool readOnce(const std::function<void(Transaction&)>& work, std::string& error) {
        return read(work, error);
    }

    // Leaves no copy of removed records in the storage's own logs, as after a
    // purge (SQLite: its write-ahead log written into the database and emptied;
    // PostgreSQL keeps its own, see the README). False with a one-line reason.
    virtual bool forgetRemoved(std::string& error) {
        (void)error;
        return true;
    }

    const TokenHasher& hasher() const { return *hasher_; }

  private:
    std::shared_ptr<const TokenHasher> hasher_;
};

} // namespace nearbeam
