#pragma once
// The server's records in PostgreSQL, for more than one machine: several server
// processes share one database. Identifiers come from sequences, writing
// transactions take one advisory lock (so an upload's look-ups and inserts are not
// raced by another process's), and reads see one snapshot.

#include "server/sql_pool.h"
#include "server/storage.h"

#include <memory>
#include <string>

namespace nearbeam {

class PostgresConnection;

class PostgresStorage : public Storage {
  public:
    // Connects to the database at url (postgresql://…) and makes the tables if
    // missing; null with a one-line reason in `error`.
    static std::unique_ptr<PostgresStorage> open(const std::string& url,
                                                 std::shared_ptr<const TokenHasher> hasher,
                                                 std::string& error, size_t connections = 8);
    ~PostgresStorage() override;

    bool read(const std::function<void(Records&)>& work, std::string& error) override;
    bool write(const std::function<bool(Records&)>& work, std::string& error) override;

  private:
    PostgresStorage(const std::string& url, std::shared_ptr<const TokenHasher> hasher,
                    size_t connections);
    bool transaction(const char* begin, bool locked, const std::function<bool(Records&)>& work,
                     std::string& error);

    std::string url_;
    SqlPool<PostgresConnection> pool_;
};

} // namespace nearbeam
