// The upload history and the users' flags, over an SQL database. The served
// records stay in their own tables, so a download reads what it always read; the
// history keeps every version beside them, and a scan's upload in a table of its
// own (scans taken out of the map wait in hidden_scans).
#include "server/storage/sql_records.h"

namespace nearbeam {
namespace {

const char kUploadColumns[] = "id, username, time, records, scans, withdrawn";

UploadEntry uploadOf(const SqlRow& row) {
    return UploadEntry{static_cast<uint64_t>(row.integer(0)),
                       row.bytes(1),
                       row.bytes(2),
                       static_cast<uint64_t>(row.integer(3)),
                       static_cast<uint64_t>(row.integer(4)),
                       row.integer(5) != 0};
}

int64_t number(uint64_t n) {
    return static_cast<int64_t>(n);
}

} // namespace

std::vector<std::string> sqlHistorySchema(const SqlDialect& d) {
    const std::string integer = d.integer, bytes = d.bytes;
    std::vector<std::string> out;
    out.push_back("CREATE TABLE IF NOT EXISTS upload_log (id " + integer +
                  " PRIMARY KEY, username " + bytes + " NOT NULL, time " + bytes +
                  " NOT NULL, records " + integer + " NOT NULL, scans " + integer +
                  " NOT NULL, withdrawn " + integer + " NOT NULL)");
    out.push_back("CREATE INDEX IF NOT EXISTS upload_log_user ON upload_log (username, id)");
    if (d.sequences)
        out.push_back("CREATE SEQUENCE IF NOT EXISTS upload_log_ids");
    out.push_back("CREATE TABLE IF NOT EXISTS versions (kind " + integer + " NOT NULL, rkey " +
                  integer + " NOT NULL, upload " + integer + " NOT NULL, content " + bytes +
                  " NOT NULL, PRIMARY KEY (kind, rkey, upload))");
    out.push_back("CREATE INDEX IF NOT EXISTS versions_upload ON versions (upload)");
    out.push_back("CREATE TABLE IF NOT EXISTS scan_uploads (scan " + integer +
                  " PRIMARY KEY, upload " + integer + " NOT NULL)");
    out.push_back("CREATE INDEX IF NOT EXISTS scan_uploads_upload ON scan_uploads (upload)");
    out.push_back("CREATE TABLE IF NOT EXISTS hidden_scans (id " + integer +
                  " PRIMARY KEY, building " + integer + " NOT NULL, floor " + bytes +
                  " NOT NULL, location " + bytes + " NOT NULL, time " + bytes +
                  " NOT NULL, username " + bytes + " NOT NULL, readings " + bytes +
                  " NOT NULL, upload " + integer + " NOT NULL)");
    out.push_back("CREATE INDEX IF NOT EXISTS hidden_scans_upload ON hidden_scans (upload)");
    out.push_back("CREATE TABLE IF NOT EXISTS user_flags (name " + bytes + " NOT NULL, flag " +
                  integer + " NOT NULL, PRIMARY KEY (name, flag))");
    // A building's accounts and each one's newest scans, for the fair share.
    out.push_back("CREATE INDEX IF NOT EXISTS scans_fair ON scans (building, username, time, id)");
    // The same scan stored once: looked for by building, user and place.
    out.push_back(
        "CREATE INDEX IF NOT EXISTS scans_same ON scans (building, username, floor, location)");
    return out;
}

uint64_t SqlRecords::newUpload(const std::string& user, const std::string& time) {
    const std::string id = dialect_.sequences ? "nextval('upload_log_ids')" : "NULL";
    int64_t made = 0;
    run("INSERT INTO upload_log (" + std::string(kUploadColumns) + ") VALUES (" + id +
            ", $1, $2, 0, 0, 0) RETURNING id",
        {user, time}, [&](const SqlRow& row) { made = row.integer(0); });
    return made > 0 ? static_cast<uint64_t>(made) : 0;
}

bool SqlRecords::updateUpload(const UploadEntry& e) {
    int64_t changed = 0;
    return run("UPDATE upload_log SET records = $1, scans = $2, withdrawn = $3 WHERE id = $4",
               {number(e.records), number(e.scans), int64_t{e.withdrawn ? 1 : 0}, number(e.id)}, {},
               &changed) &&
           changed == 1;
}

std::optional<UploadEntry> SqlRecords::findUpload(uint64_t id) {
    std::optional<UploadEntry> found;
    run("SELECT " + std::string(kUploadColumns) + " FROM upload_log WHERE id = $1", {number(id)},
        [&](const SqlRow& row) { found = uploadOf(row); });
    return found;
}

std::vector<UploadEntry> SqlRecords::uploads(uint64_t skip, uint64_t limit,
                                             const std::string& user) {
    std::vector<UploadEntry> found;
    const auto add = [&](const SqlRow& row) { found.push_back(uploadOf(row)); };
    const std::string select = "SELECT " + std::string(kUploadColumns) + " FROM upload_log ";
    if (user.empty())
        run(select + "ORDER BY id DESC LIMIT $1 OFFSET $2", {number(limit), number(skip)}, add);
    else
        run(select + "WHERE username = $1 ORDER BY id DESC LIMIT $2 OFFSET $3",
            {user, number(limit), number(skip)}, add);
    return found;
}

uint64_t SqlRecords::uploadCount() {
    int64_t count = 0;
    run("SELECT COUNT(*) FROM upload_log", {}, [&](const SqlRow& row) { count = row.integer(0); });
    return static_cast<uint64_t>(count);
}

bool SqlRecords::putVersion(const RecordVersion& v) {
    if (!run("INSERT INTO versions (kind, rkey, upload, content) VALUES ($1, $2, $3, $4) "
             "ON CONFLICT (kind, rkey, upload) DO UPDATE SET content = excluded.content",
             {int64_t{v.kind}, number(v.key), number(v.upload), v.content}, {}))
        return false;
    // The history answers for the record now, not the older note of who stored it.
    return v.upload == 0 || run("DELETE FROM uploads WHERE kind = $1 AND id = $2",
                                {int64_t{v.kind}, number(v.key)}, {});
}

std::vector<RecordVersion> SqlRecords::versionsOf(int kind, uint64_t key) {
    std::vector<RecordVersion> found;
    run("SELECT upload, content FROM versions WHERE kind = $1 AND rkey = $2 ORDER BY upload",
        {int64_t{kind}, number(key)}, [&](const SqlRow& row) {
            found.push_back({static_cast<uint64_t>(row.integer(0)), kind, key, row.bytes(1)});
        });
    return found;
}

std::vector<std::pair<int, uint64_t>> SqlRecords::changedBy(uint64_t upload) {
    std::vector<std::pair<int, uint64_t>> found;
    run("SELECT kind, rkey FROM versions WHERE upload = $1 ORDER BY kind, rkey", {number(upload)},
        [&](const SqlRow& row) {
            found.emplace_back(static_cast<int>(row.integer(0)),
                               static_cast<uint64_t>(row.integer(1)));
        });
    return found;
}

bool SqlRecords::forEachVersion(const std::function<void(const RecordVersion&)>& fn) {
    return run("SELECT upload, kind, rkey, content FROM versions ORDER BY upload, kind, rkey", {},
               [&](const SqlRow& row) {
                   fn({static_cast<uint64_t>(row.integer(0)), static_cast<int>(row.integer(1)),
                       static_cast<uint64_t>(row.integer(2)), row.bytes(3)});
               });
}

bool SqlRecords::showScans(uint64_t upload, bool shown) {
    const char columns[] = "id, building, floor, location, time, username, readings";
    if (shown)
        return run("INSERT INTO scans (" + std::string(columns) + ") SELECT " + columns +
                       " FROM hidden_scans WHERE upload = $1",
                   {number(upload)}, {}) &&
               run("DELETE FROM hidden_scans WHERE upload = $1", {number(upload)}, {});
    return run("INSERT INTO hidden_scans (" + std::string(columns) + ", upload) SELECT s.id, " +
                   "s.building, s.floor, s.location, s.time, s.username, s.readings, u.upload " +
                   "FROM scans s JOIN scan_uploads u ON u.scan = s.id WHERE u.upload = $1",
               {number(upload)}, {}) &&
           run("DELETE FROM scans WHERE id IN (SELECT scan FROM scan_uploads WHERE upload = $1)",
               {number(upload)}, {});
}

bool SqlRecords::forEachHiddenScan(const std::function<void(const StoredScan&)>& fn) {
    return run("SELECT building, floor, location, time, username, readings, upload FROM "
               "hidden_scans ORDER BY id",
               {}, [&](const SqlRow& row) {
                   fn(StoredScan{static_cast<uint32_t>(row.integer(0)), row.bytes(1), row.bytes(2),
                                 row.bytes(3), row.bytes(4), row.bytes(5),
                                 static_cast<uint64_t>(row.integer(6))});
               });
}

bool SqlRecords::setFlag(const std::string& user, UserFlag flag, bool on) {
    const int64_t bit = static_cast<int64_t>(flag);
    if (on)
        return run("INSERT INTO user_flags (name, flag) VALUES ($1, $2) "
                   "ON CONFLICT (name, flag) DO NOTHING",
                   {user, bit}, {});
    return run("DELETE FROM user_flags WHERE name = $1 AND flag = $2", {user, bit}, {});
}

bool SqlRecords::hasFlag(const std::string& user, UserFlag flag) {
    bool found = false;
    run("SELECT 1 FROM user_flags WHERE name = $1 AND flag = $2",
        {user, static_cast<int64_t>(flag)}, [&](const SqlRow&) { found = true; });
    return found;
}

std::vector<std::string> SqlRecords::flagged(UserFlag flag) {
    std::vector<std::string> found;
    run("SELECT name FROM user_flags WHERE flag = $1 ORDER BY name", {static_cast<int64_t>(flag)},
        [&](const SqlRow& row) { found.push_back(row.bytes(0)); });
    return found;
}

} // namespace nearbeam
