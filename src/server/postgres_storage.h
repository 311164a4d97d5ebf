#pragma once
// The server's records in PostgreSQL, for more than one machine: several server
// processes share one database. Identifiers come from sequences, writing
// transactions that touch places take one advisory lock (so an upload's look-ups
// and inserts are not raced by another process's), and reads see one snapshot.

#include "server/sql_storage.h"

#include <memory>
#include <string>

namespace nearbeam {

class PostgresStorage : public SqlStorage {
  public:
    // Connects to the database at url (postgresql://…) and makes the tables if
    // missing; null with a one-line reason in `error`.
    static std::unique_ptr<PostgresStorage> open(const std::string& url,
                                                 std::shared_ptr<const TokenHasher> hasher,
                                                 std::string& error, size_t connections = 8);

  private:
    PostgresStorage(const std::string& url, std::shared_ptr<const TokenHasher> hasher,
                    size_t connections);
};

} // namespace nearbeam
