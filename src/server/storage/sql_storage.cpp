#include "server/storage/sql_storage.h"

namespace nearbeam {

SqlStorage::SqlStorage(const SqlConnectionType& type, const std::string& address,
                       std::shared_ptr<const TokenHasher> hasher)
    : Storage(std::move(hasher)), type_(type),
      pool_(type.connections,
            [&type, address](std::string& error) { return type.connect(address, error); }) {}

std::unique_ptr<SqlStorage> SqlStorage::open(const SqlConnectionType& type,
                                             const std::string& address,
                                             std::shared_ptr<const TokenHasher> hasher,
                                             std::string& error) {
    std::unique_ptr<SqlStorage> storage(new SqlStorage(type, address, std::move(hasher)));
    if (!storage->makeTables(error))
        return nullptr;
    return storage;
}

bool SqlStorage::makeTables(std::string& error) {
    auto make = [&](Transaction& records) {
        auto& r = static_cast<SqlRecords&>(records);
        if (!r.lockPlaces()) // one process at a time makes the tables
            return false;
        for (const std::string& sql : sqlSchema(type_.dialect))
            if (!r.exec(sql))
                return false;
        return true;
    };
    return transaction(true, make, error);
}

bool SqlStorage::transaction(bool writing, const std::function<bool(Transaction&)>& work,
                             std::string& error) {
    // A pooled connection may have broken while it was idle (the database server
    // restarted): found broken before the transaction began, it is replaced and
    // the transaction tried once more on a new one.
    for (int attempt = 0;; ++attempt) {
        auto c = pool_.take(error);
        if (!c)
            return false;
        bool committed = false;
        const bool began = c->begin(writing, error);
        if (began) {
            const bool good = work(*c) && !c->failed();
            if (c->failed())
                error = c->failure();
            committed = c->finish(good, error);
        }
        if (c->healthy())
            return committed;
        c.discard(); // the server went away: the next transaction connects again
        pool_.dropIdle();
        if (began || attempt > 0)
            return committed;
        error.clear();
    }
}

bool SqlStorage::read(const std::function<void(Transaction&)>& work, std::string& error) {
    return transaction(
        false,
        [&](Transaction& r) {
            work(r);
            return true;
        },
        error);
}

bool SqlStorage::readOnce(const std::function<void(Transaction&)>& work, std::string& error) {
    // A database that reads a download's look-ups one by one needs its transaction.
    if (!type_.dialect.downloadInOneStatement)
        return read(work, error);
    // One reading statement: on a connection found broken (the database server
    // restarted) it is safe to run once more on a new one.
    for (int attempt = 0;; ++attempt) {
        auto c = pool_.take(error);
        if (!c)
            return false;
        c->beginStatement();
        work(*c);
        const bool good = !c->failed();
        error = good ? std::string() : c->failure();
        if (c->healthy() || attempt > 0) {
            if (!c->healthy())
                c.discard();
            return good;
        }
        c.discard();
        pool_.dropIdle();
    }
}

bool SqlStorage::forgetRemoved(std::string& error) {
    auto c = pool_.take(error);
    if (!c)
        return false;
    c->beginStatement();
    if (c->forgetRemoved())
        return true;
    error = c->failure();
    return false;
}

bool SqlStorage::write(const std::function<bool(Transaction&)>& work, std::string& error) {
    if (!type_.writersTakeTurns)
        return transaction(true, work, error);
    std::lock_guard<std::mutex> one(writer_);
    return transaction(true, work, error);
}

} // namespace nearbeam
