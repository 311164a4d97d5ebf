#include "server/storage/postgres_storage.h"

#include "server/storage/sql_records.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <map>

namespace nearbeam {
namespace {

// The places' lock is an advisory lock (a number of our own).
const SqlDialect kPostgresDialect{"BIGINT", "BYTEA",
                                  true,     "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY",
                                  "BEGIN",  "SELECT pg_advisory_xact_lock(7463521)",
                                  true};

// The first line of libpq's message, without its "ERROR:  " prefix.
std::string oneLine(const char* message) {
    std::string text = message ? message : "";
    text = text.substr(0, text.find('\n'));
    if (text.rfind("ERROR:  ", 0) == 0)
        text.erase(0, 8);
    return text.empty() ? "the database failed" : text;
}

// Rows of a result in binary form: integers big-endian, byte strings as they are.
class ResultRow : public SqlRow {
  public:
    ResultRow(PGresult* r, int row) : r_(r), row_(row) {}
    int64_t integer(int column) const override {
        const auto* p = reinterpret_cast<const unsigned char*>(PQgetvalue(r_, row_, column));
        const int n = PQgetlength(r_, row_, column);
        uint64_t v = n > 0 && (p[0] & 0x80) ? ~uint64_t{0} : 0; // sign of a short integer
        for (int i = 0; i < n; ++i)
            v = (v << 8) | p[i];
        return static_cast<int64_t>(v);
    }
    std::string bytes(int column) const override {
        return std::string(PQgetvalue(r_, row_, column),
                           static_cast<size_t>(PQgetlength(r_, row_, column)));
    }

  private:
    PGresult* r_;
    int row_;
};

// One connection with its prepared statements; used by one thread at a time.
class PostgresConnection : public SqlRecords {
  public:
    PostgresConnection() : SqlRecords(kPostgresDialect) {}
    ~PostgresConnection() override { PQfinish(conn_); }

    bool open(const std::string& url, std::string& error) {
        conn_ = PQconnectdb(url.c_str());
        if (PQstatus(conn_) != CONNECTION_OK) {
            error = "cannot connect to the database: " + oneLine(PQerrorMessage(conn_));
            return false;
        }
        // The server's notices ("already exists, skipping") are not for the log.
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        return true;
    }
    bool healthy() const override { return PQstatus(conn_) == CONNECTION_OK; }

  protected:
    bool run(const std::string& sql, const std::vector<SqlValue>& params,
             const std::function<void(const SqlRow&)>& fn, int64_t* changed) override {
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size());
        std::vector<int> lengths(params.size()), formats(params.size());
        for (size_t i = 0; i < params.size(); ++i) {
            if (const auto* n = std::get_if<int64_t>(&params[i])) {
                texts[i] = std::to_string(*n);
                formats[i] = 0;
            } else {
                texts[i] = std::get<std::string>(params[i]);
                formats[i] = 1; // bytes as they are
            }
            values[i] = texts[i].data();
            lengths[i] = static_cast<int>(texts[i].size());
        }
        const int n = static_cast<int>(params.size());
        PGresult* r;
        if (params.empty()) {
            r = PQexecParams(conn_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 1);
        } else {
            std::string& name = prepared_[sql];
            if (name.empty()) {
                const std::string next = "s" + std::to_string(prepared_.size());
                PGresult* p = PQprepare(conn_, next.c_str(), sql.c_str(), n, nullptr);
                const bool ok = PQresultStatus(p) == PGRES_COMMAND_OK;
                PQclear(p);
                if (!ok) {
                    prepared_.erase(sql);
                    fail(oneLine(PQerrorMessage(conn_)));
                    return false;
                }
                name = next;
            }
            r = PQexecPrepared(conn_, name.c_str(), n, values.data(), lengths.data(),
                               formats.data(), 1);
        }
        const ExecStatusType status = PQresultStatus(r);
        const bool ok = status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
        if (!ok) {
            fail(oneLine(PQresultErrorMessage(r)));
        } else {
            if (fn)
                for (int row = 0; row < PQntuples(r); ++row)
                    fn(ResultRow(r, row));
            if (changed)
                *changed = std::atoll(PQcmdTuples(r));
        }
        PQclear(r);
        return ok;
    }

  private:
    PGconn* conn_ = nullptr;
    std::map<std::string, std::string> prepared_;
};

} // namespace

const SqlConnectionType kPostgres{kPostgresDialect, connectWith<PostgresConnection>, 8, false};

} // namespace nearbeam
