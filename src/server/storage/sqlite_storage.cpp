#include "server/storage/sqlite_storage.h"

#include "server/storage/sql_records.h"

#include <sqlite3.h>

#include <map>

namespace nearbeam {
namespace {

const SqlDialect kSqliteDialect{"INTEGER",         "BLOB",  false, "BEGIN",
                                "BEGIN IMMEDIATE", nullptr, false};
constexpr int kBusyTimeoutMs = 10000;

class StatementRow : public SqlRow {
  public:
    explicit StatementRow(sqlite3_stmt* s) : s_(s) {}
    int64_t integer(int column) const override { return sqlite3_column_int64(s_, column); }
    std::string bytes(int column) const override {
        const void* data = sqlite3_column_blob(s_, column);
        const int size = sqlite3_column_bytes(s_, column);
        return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                    : std::string();
    }

  private:
    sqlite3_stmt* s_;
};

// One connection with its prepared statements; used by one thread at a time.
class SqliteConnection : public SqlRecords {
  public:
    SqliteConnection() : SqlRecords(kSqliteDialect) {}
    ~SqliteConnection() override {
        for (auto& [sql, statement] : statements_)
            sqlite3_finalize(statement);
        sqlite3_close(db_);
    }

    bool open(const std::string& path, std::string& error) {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            error = "cannot open " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
            return false;
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // NORMAL: in WAL mode a commit survives the server's crash (a power cut may
        // take the last moments); FULL would wait for the disk on every upload.
        // secure_delete: a removed record's bytes are overwritten, not left in free
        // pages, so that a purge removes the text as well as the row.
        if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL") ||
            !exec("PRAGMA secure_delete=ON")) {
            error = "cannot open " + path + ": " + failure();
            return false;
        }
        return true;
    }

    bool forgetRemoved() override {
        // TRUNCATE waits for readers (the busy timeout) and leaves the log empty;
        // its row says whether it got through.
        int64_t busy = 1;
        if (!run(
                "PRAGMA wal_checkpoint(TRUNCATE)", {},
                [&](const SqlRow& row) { busy = row.integer(0); }, nullptr))
            return false;
        if (busy != 0)
            fail("the write-ahead log is in use; the purged records stay in it until the "
                 "server's next checkpoint");
        return busy == 0;
    }

  protected:
    bool run(const std::string& sql, const std::vector<SqlValue>& params,
             const std::function<void(const SqlRow&)>& fn, int64_t* changed) override {
        sqlite3_stmt*& s = statements_[sql];
        if (!s && sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            return broken();
        for (size_t i = 0; i < params.size(); ++i) {
            const int at = static_cast<int>(i + 1);
            const int rc =
                std::holds_alternative<int64_t>(params[i])
                    ? sqlite3_bind_int64(s, at, std::get<int64_t>(params[i]))
                    : sqlite3_bind_blob64(s, at, std::get<std::string>(params[i]).data(),
                                          std::get<std::string>(params[i]).size(), SQLITE_STATIC);
            if (rc != SQLITE_OK)
                return broken(s);
        }
        int rc;
        StatementRow row(s);
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            if (fn)
                fn(row);
        if (rc != SQLITE_DONE)
            return broken(s);
        if (changed)
            *changed = sqlite3_changes(db_);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return true;
    }

  private:
    bool broken(sqlite3_stmt* s = nullptr) {
        fail(sqlite3_errmsg(db_));
        if (s) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
        return false;
    }

    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

} // namespace

const SqlConnectionType kSqlite{kSqliteDialect, connectWith<SqliteConnection>, 16, true};

} // namespace nearbeam
