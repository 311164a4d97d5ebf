#include "server/sql_storage.h"

namespace nearbeam {

bool SqlStorage::makeTables(const SqlDialect& dialect, std::string& error) {
    auto make = [&](Records& records) {
        auto& r = static_cast<SqlRecords&>(records);
        if (!r.lockPlaces()) // one process at a time makes the tables
            return false;
        for (const std::string& sql : sqlSchema(dialect))
            if (!r.exec(sql))
                return false;
        return true;
    };
    return transaction(true, make, error);
}

bool SqlStorage::transaction(bool writing, const std::function<bool(Records&)>& work,
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

bool SqlStorage::read(const std::function<void(Records&)>& work, std::string& error) {
    return transaction(
        false,
        [&](Records& r) {
            work(r);
            return true;
        },
        error);
}

bool SqlStorage::write(const std::function<bool(Records&)>& work, std::string& error) {
    return transaction(true, work, error);
}

} // namespace nearbeam
