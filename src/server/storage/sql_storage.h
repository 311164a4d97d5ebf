#pragma once
// A storage over an SQL database: a few connections shared by the server's
// threads, each transaction on one of them. SQLite and PostgreSQL differ only in
// the kind of connection (sqlite_storage.h, postgres_storage.h).

#include "server/storage/sql_pool.h"
#include "server/storage/sql_records.h"

#include <memory>
#include <mutex>
#include <string>

namespace nearbeam {

// A kind of database connection: its dialect, how one is made to an address, how
// many the storage keeps, and whether this process's writers take turns (when the
// database's own wait for a busy writer only suits other processes).
struct SqlConnectionType {
    const SqlDialect& dialect;
    std::unique_ptr<SqlRecords> (*connect)(const std::string& address, std::string& error);
    size_t connections;
    bool writersTakeTurns;
};

// The `connect` of a connection class with `bool open(address, error)`.
template <class Connection>
std::unique_ptr<SqlRecords> connectWith(const std::string& address, std::string& error) {
    auto c = std::make_unique<Connection>();
    if (!c->open(address, error))
        return nullptr;
    return c;
}

class SqlStorage : public Storage {
  public:
    // Opens the storage at address over connections of the type and makes the
    // tables that are missing; null with a one-line reason in `error`.
    static std::unique_ptr<SqlStorage> open(const SqlConnectionType& type,
                                            const std::string& address,
                                            std::shared_ptr<const TokenHasher> hasher,
                                            std::string& error);

    bool read(const std::function<void(Transaction&)>& work, std::string& error) override;
    bool write(const std::function<bool(Transaction&)>& work, std::string& error) override;
    bool readOnce(const std::function<void(Transaction&)>& work, std::string& error) override;
    bool forgetRemoved(std::string& error) override;

  private:
    SqlStorage(const SqlConnectionType& type, const std::string& address,
               std::shared_ptr<const TokenHasher> hasher);

    // Makes the tables, indexes and sequences that are missing.
    bool makeTables(std::string& error);
    bool transaction(bool writing, const std::function<bool(Transaction&)>& work,
                     std::string& error);

    const SqlConnectionType& type_;
    SqlPool<SqlRecords> pool_;
    std::mutex writer_;
};

} // namespace nearbeam
