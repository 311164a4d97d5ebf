#pragma once
// The records over an SQL database, the same for SQLite and PostgreSQL: the
// tables, their indexes and every statement the storage runs, over one
// connection. A back end supplies the running of a statement and the few words
// its dialect spells differently.

#include "server/storage/storage.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace nearbeam {

using SqlValue = std::variant<int64_t, std::string>;

// One row of a result: integer columns and byte strings (texts are 8-bit bytes,
// kept as they came).
class SqlRow {
  public:
    virtual ~SqlRow() = default;
    virtual int64_t integer(int column) const = 0;
    virtual std::string bytes(int column) const = 0;
};

struct SqlDialect {
    const char* integer;    // a column type of 64-bit integers
    const char* bytes;      // a column type of byte strings
    bool sequences;         // server identifiers from sequences (shared by processes)
    const char* beginRead;  // begins a reading transaction
    const char* beginWrite; // begins a writing one
    const char* placesLock; // taken by a writing one before it looks up or numbers places
    // A download's records read in one statement, outside a transaction: one round
    // trip to a database server. In process (SQLite), where there are no round
    // trips, the look-ups one by one in a reading transaction are faster.
    bool downloadInOneStatement;
};

// The statements that make the tables, their indexes and sequences, if missing.
std::vector<std::string> sqlSchema(const SqlDialect& dialect);
// Those of the survey scans and of who uploaded what (sql_scans.cpp).
std::vector<std::string> sqlScanSchema(const SqlDialect& dialect);
// The scans of a building (`building`: the expression naming it) a download may
// serve: each account's newest $2 while several have scans there, else $3.
// PostgreSQL only (a lateral join), for the download's one statement.
std::string sqlFairScans(const std::string& building);
// Those of the upload history and the users' flags (sql_records_history.cpp).
std::vector<std::string> sqlHistorySchema(const SqlDialect& dialect);
// The condition on a scans row that it may be read for a download.
std::string sqlScanFits();

class SqlRecords : public Transaction {
  public:
    explicit SqlRecords(const SqlDialect& dialect) : dialect_(dialect) {}

    bool exec(const std::string& sql) { return run(sql, {}, {}, nullptr); }
    // Begins a transaction; false with the reason, and none begun, when it cannot.
    bool begin(bool writing, std::string& error);
    // Commits, or rolls back; true only once committed.
    bool finish(bool commit, std::string& error);
    // Readies the connection for one reading statement outside a transaction.
    void beginStatement();
    // False when the connection is lost and should not be used again.
    virtual bool healthy() const { return true; }
    // Outside a transaction: what forgetRemoved asks of the database.
    virtual bool forgetRemoved() { return true; }
    // Writers that look up, number or store places take turns, so that a look-up
    // and the insert it decides on are not raced by another process. Access points
    // and users are single rows and need no turn. Held to the transaction's end.
    bool lockPlaces();

    std::optional<StoredRecord> find(StoredKind kind, uint32_t id) override;
    std::optional<StoredRecord> findNamed(StoredKind kind, uint32_t parent, uint32_t area,
                                          const std::string& name) override;
    std::optional<AccessPoint> findAccessPoint(uint64_t bssid) override;
    std::vector<StoredRecord> servicesFor(const std::array<uint32_t, 7>& scopes) override;
    uint32_t newId(StoredKind kind) override;
    bool put(StoredKind kind, const StoredRecord& place) override;
    bool putAccessPoint(const AccessPoint& point) override;
    bool forEach(StoredKind kind, const std::function<void(const StoredRecord&)>& fn) override;
    bool forEachAccessPoint(const std::function<void(const AccessPoint&)>& fn) override;
    // In one statement: sql_download.cpp.
    DownloadRecords downloadRecords(uint64_t bssid, size_t scanLimit) override;
    // Survey scans and uploaders: sql_scans.cpp.
    bool putScan(const StoredScan& scan) override;
    std::vector<StoredScan> scansOf(uint32_t building, size_t limit) override;
    bool forEachScan(const std::function<void(const StoredScan&)>& fn) override;
    bool noteUploadedPlace(StoredKind kind, uint32_t id, const std::string& user) override;
    bool noteUploadedAccessPoint(uint64_t bssid, const std::string& user) override;
    bool purgeUploads(const std::string& user, PurgeCounts& removed) override;
    std::optional<std::string> tokenHash(const std::string& user) override;
    bool putUser(const std::string& user, const std::string& tokenHash) override;
    bool removeUser(const std::string& user) override;
    std::vector<std::pair<std::string, std::string>> users() override;
    // The upload history and the users' flags: sql_records_history.cpp.
    uint64_t newUpload(const std::string& user, const std::string& time) override;
    bool updateUpload(const UploadEntry& entry) override;
    std::optional<UploadEntry> findUpload(uint64_t id) override;
    std::vector<UploadEntry> uploads(uint64_t skip, uint64_t limit,
                                     const std::string& user) override;
    uint64_t uploadCount() override;
    bool putVersion(const RecordVersion& version) override;
    std::vector<RecordVersion> versionsOf(int kind, uint64_t key) override;
    std::vector<std::pair<int, uint64_t>> changedBy(uint64_t upload) override;
    bool forEachVersion(const std::function<void(const RecordVersion&)>& fn) override;
    bool removeRecord(int kind, uint64_t key) override;
    bool showScans(uint64_t upload, bool shown) override;
    bool forEachHiddenScan(const std::function<void(const StoredScan&)>& fn) override;
    bool scanStored(const StoredScan& scan) override;
    bool setFlag(const std::string& user, UserFlag flag, bool on) override;
    bool hasFlag(const std::string& user, UserFlag flag) override;
    std::vector<std::string> flagged(UserFlag flag) override;

  protected:
    // Runs one statement ($1, $2 … numbered in order of appearance) and hands
    // each row of its result to fn. On failure: fail() with the reason, false.
    // `changed`, when given, gets the number of rows the statement changed.
    virtual bool run(const std::string& sql, const std::vector<SqlValue>& params,
                     const std::function<void(const SqlRow&)>& fn, int64_t* changed = nullptr) = 0;

  private:
    bool places(StoredKind kind, const std::string& where, const std::vector<SqlValue>& params,
                const std::function<void(const StoredRecord&)>& fn);

    const SqlDialect& dialect_;
    bool writing_ = false;
    bool locked_ = false;
};

} // namespace nearbeam
