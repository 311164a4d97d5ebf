// The survey scans and who uploaded what, over an SQL database.
#include "server/storage/sql_records.h"

namespace nearbeam {
namespace {

// The uploads table's kind of an access point (places use their StoredKind).
constexpr int64_t kAccessPointUpload = 7;

const char kScanColumns[] = "building, floor, location, time, username, readings";

StoredScan scanOf(const SqlRow& row) {
    return StoredScan{static_cast<uint32_t>(row.integer(0)),
                      row.bytes(1),
                      row.bytes(2),
                      row.bytes(3),
                      row.bytes(4),
                      row.bytes(5)};
}

// The places a purge may remove, children first, each with the tests that
// something still refers to it (the place's identifier is `t.id`).
struct PurgedTable {
    StoredKind kind;
    const char* table;
    const char* referrers;
};
const PurgedTable kPurged[] = {
    {StoredKind::Building, "buildings",
     "EXISTS (SELECT 1 FROM aps WHERE building = t.id) OR "
     "EXISTS (SELECT 1 FROM scans WHERE building = t.id) OR "
     "EXISTS (SELECT 1 FROM services WHERE level = 6 AND scope = t.id)"},
    {StoredKind::Area, "areas",
     "EXISTS (SELECT 1 FROM buildings WHERE area = t.id) OR "
     "EXISTS (SELECT 1 FROM services WHERE level = 5 AND scope = t.id)"},
    {StoredKind::City, "cities",
     "EXISTS (SELECT 1 FROM buildings WHERE city = t.id) OR "
     "EXISTS (SELECT 1 FROM areas WHERE city = t.id) OR "
     "EXISTS (SELECT 1 FROM services WHERE level = 4 AND scope = t.id)"},
    {StoredKind::Province, "provinces",
     "EXISTS (SELECT 1 FROM cities WHERE province = t.id) OR "
     "EXISTS (SELECT 1 FROM services WHERE level = 3 AND scope = t.id)"},
    {StoredKind::Country, "countries",
     "EXISTS (SELECT 1 FROM provinces WHERE country = t.id) OR "
     "EXISTS (SELECT 1 FROM services WHERE level = 2 AND scope = t.id)"},
};

} // namespace

std::string sqlScanFits() {
    return "length(floor) + length(location) + length(readings) <= " +
           std::to_string(kMaxScanLineLength);
}

std::vector<std::string> sqlScanSchema(const SqlDialect& d) {
    const std::string integer = d.integer, bytes = d.bytes;
    std::vector<std::string> out;
    // SQLite numbers an INTEGER PRIMARY KEY itself; PostgreSQL from a sequence.
    out.push_back("CREATE TABLE IF NOT EXISTS scans (id " + integer + " PRIMARY KEY, building " +
                  integer + " NOT NULL, floor " + bytes + " NOT NULL, location " + bytes +
                  " NOT NULL, time " + bytes + " NOT NULL, username " + bytes +
                  " NOT NULL, readings " + bytes + " NOT NULL)");
    out.push_back("CREATE INDEX IF NOT EXISTS scans_newest ON scans (building, time, id)");
    out.push_back("CREATE INDEX IF NOT EXISTS scans_user ON scans (username)");
    if (d.sequences)
        out.push_back("CREATE SEQUENCE IF NOT EXISTS scans_ids");
    out.push_back("CREATE TABLE IF NOT EXISTS uploads (kind " + integer + " NOT NULL, id " +
                  integer + " NOT NULL, username " + bytes + " NOT NULL, PRIMARY KEY (kind, id))");
    out.push_back("CREATE INDEX IF NOT EXISTS uploads_user ON uploads (username)");
    // What a purge asks of every place it may remove.
    out.push_back("CREATE INDEX IF NOT EXISTS aps_building ON aps (building)");
    return out;
}

bool SqlRecords::putScan(const StoredScan& s) {
    const std::string id = dialect_.sequences ? "nextval('scans_ids')" : "NULL";
    return run(std::string("INSERT INTO scans (id, ") + kScanColumns + ") VALUES (" + id +
                   ", $1, $2, $3, $4, $5, $6)",
               {int64_t{s.building}, s.floor, s.location, s.time, s.user, s.readings}, {});
}

std::vector<StoredScan> SqlRecords::scansOf(uint32_t building, size_t limit) {
    std::vector<StoredScan> out;
    run(std::string("SELECT ") + kScanColumns + " FROM scans WHERE building = $1 AND " +
            sqlScanFits() + " ORDER BY time DESC, id DESC LIMIT $2",
        {int64_t{building}, static_cast<int64_t>(limit)},
        [&](const SqlRow& row) { out.push_back(scanOf(row)); });
    return out;
}

bool SqlRecords::forEachScan(const std::function<void(const StoredScan&)>& fn) {
    return run(std::string("SELECT ") + kScanColumns + " FROM scans ORDER BY id", {},
               [&](const SqlRow& row) { fn(scanOf(row)); });
}

bool SqlRecords::noteUploadedPlace(StoredKind kind, uint32_t id, const std::string& user) {
    return run("INSERT INTO uploads (kind, id, username) VALUES ($1, $2, $3) "
               "ON CONFLICT (kind, id) DO UPDATE SET username = excluded.username",
               {static_cast<int64_t>(kind), int64_t{id}, user}, {});
}

bool SqlRecords::noteUploadedAccessPoint(uint64_t bssid, const std::string& user) {
    return run("INSERT INTO uploads (kind, id, username) VALUES ($1, $2, $3) "
               "ON CONFLICT (kind, id) DO UPDATE SET username = excluded.username",
               {kAccessPointUpload, static_cast<int64_t>(bssid), user}, {});
}

bool SqlRecords::purgeUploads(const std::string& user, PurgeCounts& removed) {
    if (!lockPlaces())
        return false;
    int64_t changed = 0;
    if (!run("DELETE FROM scans WHERE username = $1", {user}, {}, &changed))
        return false;
    removed.scans = static_cast<size_t>(changed);
    if (!run("DELETE FROM aps WHERE bssid IN "
             "(SELECT id FROM uploads WHERE kind = $1 AND username = $2)",
             {kAccessPointUpload, user}, {}, &changed))
        return false;
    removed.accessPoints = static_cast<size_t>(changed);
    removed.places = 0;
    for (const PurgedTable& p : kPurged) {
        if (!run("DELETE FROM " + std::string(p.table) +
                     " AS t WHERE id IN (SELECT id FROM uploads WHERE kind = $1 AND username = "
                     "$2) AND NOT (" +
                     p.referrers + ")",
                 {static_cast<int64_t>(p.kind), user}, {}, &changed))
            return false;
        removed.places += static_cast<size_t>(changed);
    }
    return run("DELETE FROM uploads WHERE username = $1", {user}, {});
}

} // namespace nearbeam
