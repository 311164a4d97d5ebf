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
    auto c = pool_.take(error);
    if (!c)
        return false;
    bool committed = false;
    if (c->begin(writing, error)) {
        const bool good = work(*c) && !c->failed();
        if (c->failed())
            error = c->failure();
        committed = c->finish(good, error);
    }
    if (!c->healthy())
        c.discard(); // the server went away: the next transaction connects again
    return committed;
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

bool SqlStorage::readOnce(const std::function<void(Records&)>& work, std::string& error) {
    auto c = pool_.take(error);
    if (!c)
        return false;
    c->beginStatement();
    work(*c);
    const bool good = !c->failed();
    if (!good)
        error = c->failure();
    if (!c->healthy())
        c.discard();
    return good;
}

bool SqlStorage::write(const std::function<bool(Records&)>& work, std::string& error) {
    return transaction(true, work, error);
}

} // namespace nearbeam
