#include "server/storage/sql_records.h"

namespace nearbeam {
namespace {

enum class Role { Id, Parent, Area, Level, Name, Street, Url };
struct Column {
    const char* name;
    Role role;
};

// A table per record kind, in the order of StoredKind.
struct Table {
    const char* name;
    std::vector<Column> columns; // the identifier first
    const char* parent;          // the parent's column; null for countries and networks
    const char* index;           // the columns of the index of findNamed or servicesFor
};
const Table kTables[] = {
    {"countries", {{"id", Role::Id}, {"name", Role::Name}}, nullptr, "name"},
    {"provinces",
     {{"id", Role::Id}, {"country", Role::Parent}, {"name", Role::Name}},
     "country",
     "country, name"},
    {"cities",
     {{"id", Role::Id}, {"province", Role::Parent}, {"name", Role::Name}},
     "province",
     "province, name"},
    {"areas",
     {{"id", Role::Id}, {"city", Role::Parent}, {"name", Role::Name}},
     "city",
     "city, name"},
    {"buildings",
     {{"id", Role::Id},
      {"area", Role::Area},
      {"city", Role::Parent},
      {"name", Role::Name},
      {"street", Role::Street}},
     "city",
     "city, area, name"},
    {"networks", {{"id", Role::Id}, {"name", Role::Name}}, nullptr, "name"},
    {"services",
     {{"id", Role::Id},
      {"scope", Role::Parent},
      {"level", Role::Level},
      {"url", Role::Url},
      {"label", Role::Name}},
     "scope",
     "level, scope"},
};

const Table& table(StoredKind kind) {
    return kTables[static_cast<int>(kind)];
}

bool isText(Role role) {
    return role == Role::Name || role == Role::Street || role == Role::Url;
}

std::string columnList(const Table& t) {
    std::string out;
    for (const Column& c : t.columns)
        out += (out.empty() ? "" : ", ") + std::string(c.name);
    return out;
}

std::string param(size_t n) {
    return "$" + std::to_string(n);
}

SqlValue valueOf(const StoredRecord& p, Role role) {
    switch (role) {
    case Role::Id:
        return int64_t{p.id};
    case Role::Parent:
        return int64_t{p.parent};
    case Role::Area:
        return int64_t{p.area};
    case Role::Level:
        return int64_t{p.level};
    case Role::Name:
        return p.name;
    case Role::Street:
        return p.street;
    case Role::Url:
        break;
    }
    return p.url;
}

StoredRecord placeOf(const Table& t, const SqlRow& row) {
    StoredRecord p;
    for (int i = 0; i < static_cast<int>(t.columns.size()); ++i) {
        switch (t.columns[i].role) {
        case Role::Id:
            p.id = static_cast<uint32_t>(row.integer(i));
            break;
        case Role::Parent:
            p.parent = static_cast<uint32_t>(row.integer(i));
            break;
        case Role::Area:
            p.area = static_cast<uint32_t>(row.integer(i));
            break;
        case Role::Level:
            p.level = static_cast<int32_t>(row.integer(i));
            break;
        case Role::Name:
            p.name = row.bytes(i);
            break;
        case Role::Street:
            p.street = row.bytes(i);
            break;
        case Role::Url:
            p.url = row.bytes(i);
            break;
        }
    }
    return p;
}

const char kApColumns[] = "bssid, building, network, floor, location";

AccessPoint pointOf(const SqlRow& row) {
    return AccessPoint{static_cast<uint64_t>(row.integer(0)), static_cast<uint32_t>(row.integer(1)),
                       static_cast<uint32_t>(row.integer(2)), row.bytes(3), row.bytes(4)};
}

} // namespace

std::vector<std::string> sqlSchema(const SqlDialect& d) {
    const std::string integer = d.integer, bytes = d.bytes;
    std::vector<std::string> out;
    for (const Table& t : kTables) {
        std::string sql = "CREATE TABLE IF NOT EXISTS " + std::string(t.name) + " (";
        for (const Column& c : t.columns)
            sql += std::string(c.name) + " " + (isText(c.role) ? bytes : integer) +
                   (c.role == Role::Id ? " PRIMARY KEY, " : " NOT NULL, ");
        sql.resize(sql.size() - 2);
        out.push_back(sql + ")");
        out.push_back("CREATE INDEX IF NOT EXISTS " + std::string(t.name) + "_lookup ON " + t.name +
                      " (" + t.index + ")");
        if (d.sequences)
            out.push_back("CREATE SEQUENCE IF NOT EXISTS " + std::string(t.name) + "_ids");
    }
    out.push_back("CREATE TABLE IF NOT EXISTS aps (bssid " + integer + " PRIMARY KEY, building " +
                  integer + " NOT NULL, network " + integer + " NOT NULL, floor " + bytes +
                  " NOT NULL, location " + bytes + " NOT NULL)");
    out.push_back("CREATE TABLE IF NOT EXISTS users (name " + bytes + " PRIMARY KEY, token_hash " +
                  bytes + " NOT NULL)");
    for (std::string& sql : sqlScanSchema(d))
        out.push_back(std::move(sql));
    for (std::string& sql : sqlHistorySchema(d))
        out.push_back(std::move(sql));
    return out;
}

bool SqlRecords::begin(bool writing, std::string& error) {
    clearFailure();
    writing_ = writing;
    locked_ = false;
    if (exec(writing ? dialect_.beginWrite : dialect_.beginRead))
        return true;
    error = failure();
    exec("ROLLBACK");
    return false;
}

void SqlRecords::beginStatement() {
    clearFailure();
    writing_ = false;
    locked_ = false;
}

bool SqlRecords::lockPlaces() {
    if (locked_ || !writing_ || !dialect_.placesLock)
        return true;
    locked_ = exec(dialect_.placesLock);
    return locked_;
}

bool SqlRecords::finish(bool commit, std::string& error) {
    if (commit && exec("COMMIT"))
        return true;
    if (commit)
        error = failure();
    exec("ROLLBACK");
    return false;
}

bool SqlRecords::places(StoredKind kind, const std::string& where,
                        const std::vector<SqlValue>& params,
                        const std::function<void(const StoredRecord&)>& fn) {
    const Table& t = table(kind);
    return run("SELECT " + columnList(t) + " FROM " + t.name + " " + where, params,
               [&](const SqlRow& row) { fn(placeOf(t, row)); });
}

std::optional<StoredRecord> SqlRecords::find(StoredKind kind, uint32_t id) {
    std::optional<StoredRecord> found;
    places(kind, "WHERE id = $1", {int64_t{id}}, [&](const StoredRecord& p) { found = p; });
    return found;
}

std::optional<StoredRecord> SqlRecords::findNamed(StoredKind kind, uint32_t parent, uint32_t area,
                                                  const std::string& name) {
    if (!lockPlaces())
        return std::nullopt;
    const Table& t = table(kind);
    std::string where = "WHERE name = $1";
    std::vector<SqlValue> params{name};
    if (t.parent) {
        params.push_back(int64_t{parent});
        where += " AND " + std::string(t.parent) + " = " + param(params.size());
    }
    if (kind == StoredKind::Building) {
        params.push_back(int64_t{area});
        where += " AND area = " + param(params.size());
    }
    std::optional<StoredRecord> found;
    places(kind, where + " ORDER BY id LIMIT 1", params, [&](const StoredRecord& p) { found = p; });
    return found;
}

std::optional<AccessPoint> SqlRecords::findAccessPoint(uint64_t bssid) {
    std::optional<AccessPoint> found;
    run(std::string("SELECT ") + kApColumns + " FROM aps WHERE bssid = $1",
        {static_cast<int64_t>(bssid)}, [&](const SqlRow& row) { found = pointOf(row); });
    return found;
}

std::vector<StoredRecord> SqlRecords::servicesFor(const std::array<uint32_t, 7>& scopes) {
    std::string where = "WHERE level = 0";
    std::vector<SqlValue> params;
    for (int level = 1; level < 7; ++level) {
        // No place at a level: -1, which no service's scope is.
        params.push_back(scopes[level] ? int64_t{scopes[level]} : int64_t{-1});
        where +=
            " OR (level = " + std::to_string(level) + " AND scope = " + param(params.size()) + ")";
    }
    std::vector<StoredRecord> found;
    places(StoredKind::Service, where + " ORDER BY id", params,
           [&](const StoredRecord& p) { found.push_back(p); });
    return found;
}

uint32_t SqlRecords::newId(StoredKind kind) {
    if (!lockPlaces())
        return 0;
    const std::string name = table(kind).name;
    int64_t id = 0;
    const std::string sql = dialect_.sequences ? "SELECT nextval('" + name + "_ids')"
                                               : "SELECT COALESCE(MAX(id), 0) + 1 FROM " + name +
                                                     " WHERE id < " + std::to_string(kLocalIdsFrom);
    if (!run(sql, {}, [&](const SqlRow& row) { id = row.integer(0); }))
        return 0;
    if (id <= 0 || id >= kLocalIdsFrom) {
        fail("no server identifiers are left for " + name);
        return 0;
    }
    return static_cast<uint32_t>(id);
}

bool SqlRecords::put(StoredKind kind, const StoredRecord& place) {
    if (!lockPlaces())
        return false;
    const Table& t = table(kind);
    std::string values, updates;
    std::vector<SqlValue> params;
    for (const Column& c : t.columns) {
        params.push_back(valueOf(place, c.role));
        values += (values.empty() ? "" : ", ") + param(params.size());
        if (c.role != Role::Id)
            updates +=
                (updates.empty() ? "" : ", ") + std::string(c.name) + " = excluded." + c.name;
    }
    if (!run("INSERT INTO " + std::string(t.name) + " (" + columnList(t) + ") VALUES (" + values +
                 ") ON CONFLICT (id) DO UPDATE SET " + updates,
             params, {}))
        return false;
    // A record numbered elsewhere (an import): the sequence moves past it.
    if (dialect_.sequences && place.id < kLocalIdsFrom) {
        const std::string seq = std::string(t.name) + "_ids";
        return run("SELECT setval('" + seq + "', $1) FROM " + seq +
                       " WHERE last_value < $1 OR NOT is_called",
                   {int64_t{place.id}}, {});
    }
    return true;
}

bool SqlRecords::putAccessPoint(const AccessPoint& a) {
    return run(std::string("INSERT INTO aps (") + kApColumns +
                   ") VALUES ($1, $2, $3, $4, $5) ON CONFLICT (bssid) DO UPDATE SET "
                   "building = excluded.building, network = excluded.network, "
                   "floor = excluded.floor, location = excluded.location",
               {static_cast<int64_t>(a.bssid), int64_t{a.building}, int64_t{a.network}, a.floor,
                a.location},
               {});
}

bool SqlRecords::forEach(StoredKind kind, const std::function<void(const StoredRecord&)>& fn) {
    return places(kind, "ORDER BY id", {}, fn);
}

bool SqlRecords::forEachAccessPoint(const std::function<void(const AccessPoint&)>& fn) {
    return run(std::string("SELECT ") + kApColumns + " FROM aps ORDER BY bssid", {},
               [&](const SqlRow& row) { fn(pointOf(row)); });
}

std::optional<std::string> SqlRecords::tokenHash(const std::string& user) {
    std::optional<std::string> hash;
    run("SELECT token_hash FROM users WHERE name = $1", {user},
        [&](const SqlRow& row) { hash = row.bytes(0); });
    return hash;
}

bool SqlRecords::putUser(const std::string& user, const std::string& hash) {
    return run("INSERT INTO users (name, token_hash) VALUES ($1, $2) "
               "ON CONFLICT (name) DO UPDATE SET token_hash = excluded.token_hash",
               {user, hash}, {});
}

bool SqlRecords::removeUser(const std::string& user) {
    int64_t changed = 0;
    // A blocked user stays blocked: their uploads stay out of the map.
    return run("DELETE FROM user_flags WHERE name = $1 AND flag = $2",
               {user, static_cast<int64_t>(UserFlag::Keeper)}, {}) &&
           run("DELETE FROM users WHERE name = $1", {user}, {}, &changed) && changed > 0;
}

std::vector<std::pair<std::string, std::string>> SqlRecords::users() {
    std::vector<std::pair<std::string, std::string>> out;
    run("SELECT name, token_hash FROM users ORDER BY name", {},
        [&](const SqlRow& row) { out.emplace_back(row.bytes(0), row.bytes(1)); });
    return out;
}

} // namespace nearbeam
