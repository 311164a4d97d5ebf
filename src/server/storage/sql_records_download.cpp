// A download's records in one statement: one round trip to a database server (once
// the statement is prepared on the connection).
#include "server/storage/sql_records.h"

#include <algorithm>

namespace nearbeam {
namespace {

// Every row has the same columns: what it is, then integers and byte strings
// whose meaning depends on it.
enum Row { Point, Network, Building, Area, City, Province, Country, Service, Scan };

// The access point, the places up from it, the services of their levels and
// everywhere, and the building's newest scans ($2 of them).
const char kDownload[] = R"(WITH
 a AS (SELECT bssid, building, network, floor, location FROM aps WHERE bssid = $1),
 n AS (SELECT id, name FROM networks WHERE id = (SELECT network FROM a)),
 b AS (SELECT id, area, city, name, street FROM buildings WHERE id = (SELECT building FROM a)),
 ar AS (SELECT id, city, name FROM areas WHERE id = (SELECT area FROM b)),
 c AS (SELECT id, province, name FROM cities WHERE id = (SELECT city FROM b)),
 p AS (SELECT id, country, name FROM provinces WHERE id = (SELECT province FROM c)),
 co AS (SELECT id, name FROM countries WHERE id = (SELECT country FROM p))
SELECT 0, bssid, building, network, 0, floor, location, '', '' FROM a
UNION ALL SELECT 1, id, 0, 0, 0, name, '', '', '' FROM n
UNION ALL SELECT 2, id, city, area, 0, name, street, '', '' FROM b
UNION ALL SELECT 3, id, city, 0, 0, name, '', '', '' FROM ar
UNION ALL SELECT 4, id, province, 0, 0, name, '', '', '' FROM c
UNION ALL SELECT 5, id, country, 0, 0, name, '', '', '' FROM p
UNION ALL SELECT 6, id, 0, 0, 0, name, '', '', '' FROM co
UNION ALL SELECT 7, id, scope, 0, level, label, url, '', '' FROM services
 WHERE EXISTS (SELECT 1 FROM a) AND (level = 0
  OR (level = 1 AND scope = (SELECT id FROM n)) OR (level = 2 AND scope = (SELECT id FROM co))
  OR (level = 3 AND scope = (SELECT id FROM p)) OR (level = 4 AND scope = (SELECT id FROM c))
  OR (level = 5 AND scope = (SELECT id FROM ar)) OR (level = 6 AND scope = (SELECT id FROM b)))
UNION ALL SELECT * FROM (SELECT 8, id, building, 0, 0, floor, location, time, readings
 FROM scans WHERE building = (SELECT building FROM a) AND SCAN_FITS ORDER BY time DESC, id DESC LIMIT $2) s)";

// The statement with its empty byte strings typed in the dialect: a union of
// untyped literals would take them for text, which does not match byte strings.
std::string downloadStatement(const SqlDialect& dialect) {
    const std::string empty = "CAST('' AS " + std::string(dialect.bytes) + ")";
    std::string sql = kDownload;
    sql.replace(sql.find("SCAN_FITS"), 9, sqlScanFits());
    for (size_t at = 0; (at = sql.find("''", at)) != std::string::npos; at += empty.size())
        sql.replace(at, 2, empty);
    return sql;
}

} // namespace

DownloadRecords SqlRecords::downloadRecords(uint64_t bssid, size_t scanLimit) {
    if (!dialect_.downloadInOneStatement)
        return Transaction::downloadRecords(bssid, scanLimit);
    DownloadRecords out;
    // The scans' identifiers, for their order (the rows of a union come in any).
    std::vector<std::pair<int64_t, StoredScan>> scans;
    run(downloadStatement(dialect_), {static_cast<int64_t>(bssid), static_cast<int64_t>(scanLimit)},
        [&](const SqlRow& row) {
            const auto id = static_cast<uint32_t>(row.integer(1));
            const auto parent = static_cast<uint32_t>(row.integer(2));
            StoredRecord place{id, parent, 0, 0, row.bytes(5), "", ""};
            switch (row.integer(0)) {
            case Point:
                out.point =
                    AccessPoint{static_cast<uint64_t>(row.integer(1)), parent,
                                static_cast<uint32_t>(row.integer(3)), row.bytes(5), row.bytes(6)};
                break;
            case Network:
                out.network = place;
                break;
            case Building:
                place.area = static_cast<uint32_t>(row.integer(3));
                place.street = row.bytes(6);
                out.building = place;
                break;
            case Area:
                out.area = place;
                break;
            case City:
                out.city = place;
                break;
            case Province:
                out.province = place;
                break;
            case Country:
                out.country = place;
                break;
            case Service:
                place.level = static_cast<int32_t>(row.integer(4));
                place.url = row.bytes(6);
                out.services.push_back(place);
                break;
            case Scan:
                scans.emplace_back(row.integer(1), StoredScan{parent, row.bytes(5), row.bytes(6),
                                                              row.bytes(7), "", row.bytes(8)});
                break;
            }
        });
    if (!out.point)
        return DownloadRecords();
    std::sort(out.services.begin(), out.services.end(),
              [](const StoredRecord& x, const StoredRecord& y) { return x.id < y.id; });
    std::sort(scans.begin(), scans.end(), [](const auto& x, const auto& y) {
        return x.second.time != y.second.time ? x.second.time > y.second.time : x.first > y.first;
    });
    for (auto& [id, scan] : scans)
        out.scans.push_back(std::move(scan));
    return out;
}

} // namespace nearbeam
