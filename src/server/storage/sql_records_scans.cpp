// The survey scans and who uploaded what, over an SQL database.
#include "server/storage/sql_records.h"

#include <algorithm>

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
    int64_t stored = 0;
    if (!run(std::string("INSERT INTO scans (id, ") + kScanColumns + ") VALUES (" + id +
                 ", $1, $2, $3, $4, $5, $6) RETURNING id",
             {int64_t{s.building}, s.floor, s.location, s.time, s.user, s.readings},
             [&](const SqlRow& row) { stored = row.integer(0); }))
        return false;
    return s.upload == 0 || run("INSERT INTO scan_uploads (scan, upload) VALUES ($1, $2)",
                                {stored, static_cast<int64_t>(s.upload)}, {});
}

bool SqlRecords::scanStored(const StoredScan& s) {
    bool found = false;
    run("SELECT 1 FROM scans WHERE building = $1 AND username = $2 AND floor = $3 AND "
        "location = $4 AND readings = $5 LIMIT 1",
        {int64_t{s.building}, s.user, s.floor, s.location, s.readings},
        [&](const SqlRow&) { found = true; });
    return found;
}

std::vector<StoredScan> SqlRecords::scansOf(uint32_t building, size_t limit) {
    // Each account's newest, found through the index of (building, account,
    // time): a building one account filled costs no more than one it did not.
    std::vector<std::string> users;
    for (bool more = true; more && !failed();) {
        more = false;
        run(users.empty() ? "SELECT username FROM scans WHERE building = $1 ORDER BY username "
                            "LIMIT 1"
                          : "SELECT username FROM scans WHERE building = $1 AND username > $2 "
                            "ORDER BY username LIMIT 1",
            users.empty() ? std::vector<SqlValue>{int64_t{building}}
                          : std::vector<SqlValue>{int64_t{building}, users.back()},
            [&](const SqlRow& row) {
                users.push_back(row.bytes(0));
                more = true;
            });
    }
    const size_t each = users.size() > 1 ? fairShare(limit) : limit;
    std::vector<std::pair<int64_t, StoredScan>> found;
    for (const std::string& user : users)
        run(std::string("SELECT ") + kScanColumns +
                ", id FROM scans WHERE building = $1 AND username = $2 AND " + sqlScanFits() +
                " ORDER BY time DESC, id DESC LIMIT $3",
            {int64_t{building}, user, static_cast<int64_t>(each)},
            [&](const SqlRow& row) { found.emplace_back(row.integer(6), scanOf(row)); });
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
        return x.second.time != y.second.time ? x.second.time > y.second.time : x.first > y.first;
    });
    std::vector<StoredScan> out;
    for (size_t i = 0; i < found.size() && i < limit; ++i)
        out.push_back(std::move(found[i].second));
    return out;
}

std::string sqlFairScans(const std::string& building) {
    // The accounts one by one (a walk of the index, not of every scan), then each
    // one's newest: a quarter ($2) while there are several, else all ($3).
    return "WITH RECURSIVE u(name) AS (SELECT (SELECT username FROM scans WHERE building = " +
           building +
           " ORDER BY username LIMIT 1) UNION ALL SELECT (SELECT username FROM scans WHERE "
           "building = " +
           building +
           " AND username > u.name ORDER BY username LIMIT 1) FROM u WHERE u.name IS NOT NULL) "
           "SELECT s.* FROM u CROSS JOIN LATERAL (SELECT id, building, floor, location, time, "
           "readings FROM scans WHERE building = " +
           building + " AND username = u.name AND " + sqlScanFits() +
           " ORDER BY time DESC, id DESC LIMIT CASE WHEN (SELECT COUNT(*) "
           "FROM u WHERE name IS NOT NULL) > 1 THEN CAST($2 AS BIGINT) ELSE CAST($3 AS BIGINT) "
           "END) s WHERE u.name IS NOT NULL";
}

bool SqlRecords::forEachScan(const std::function<void(const StoredScan&)>& fn) {
    return run("SELECT s.building, s.floor, s.location, s.time, s.username, s.readings, "
               "COALESCE(u.upload, 0) FROM scans s LEFT JOIN scan_uploads u ON u.scan = s.id "
               "ORDER BY s.id",
               {}, [&](const SqlRow& row) {
                   StoredScan scan = scanOf(row);
                   scan.upload = static_cast<uint64_t>(row.integer(6));
                   fn(scan);
               });
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

bool SqlRecords::removeRecord(int kind, uint64_t key) {
    if (kind == kAccessPointUpload)
        return run("DELETE FROM aps WHERE bssid = $1", {static_cast<int64_t>(key)}, {});
    for (const PurgedTable& p : kPurged)
        if (static_cast<int>(p.kind) == kind)
            return lockPlaces() && run("DELETE FROM " + std::string(p.table) +
                                           " AS t WHERE id = $1 AND NOT (" + p.referrers + ")",
                                       {static_cast<int64_t>(key)}, {});
    return true; // networks and services are not uploaded
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
