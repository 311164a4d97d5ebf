#pragma once
// A storage over an SQL database: a few connections shared by the server's
// threads, each transaction on one of them.

#include "server/sql_pool.h"
#include "server/sql_records.h"

namespace nearbeam {

class SqlStorage : public Storage {
  public:
    bool read(const std::function<void(Records&)>& work, std::string& error) override;
    bool write(const std::function<bool(Records&)>& work, std::string& error) override;
    bool readOnce(const std::function<void(Records&)>& work, std::string& error) override;

  protected:
    using Pool = SqlPool<SqlRecords>;
    SqlStorage(std::shared_ptr<const TokenHasher> hasher, size_t connections, Pool::Open open)
        : Storage(std::move(hasher)), pool_(connections, std::move(open)) {}

    // Makes the tables, indexes and sequences that are missing.
    bool makeTables(const SqlDialect& dialect, std::string& error);

  private:
    bool transaction(bool writing, const std::function<bool(Records&)>& work, std::string& error);

    Pool pool_;
};

} // namespace nearbeam
