#include "server/storage/open_storage.h"

#include "server/accounts/argon2_hasher.h"
#include "server/storage/postgres_storage.h"
#include "server/storage/sqlite_storage.h"

#include <filesystem>
#include <system_error>

namespace nearbeam {

std::unique_ptr<Storage> openStorage(const std::string& database, const std::string& dataFolder,
                                     std::string& error) {
    auto hasher = std::make_shared<Argon2Hasher>();
    if (database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0)
        return SqlStorage::open(kPostgres, database, hasher, error);
    if (!database.empty()) {
        error = "the database must be a postgresql:// address (or none, for SQLite)";
        return nullptr;
    }
    const std::filesystem::path folder(dataFolder.empty() ? "." : dataFolder);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot make the data folder " + folder.string() + ": " + ec.message();
        return nullptr;
    }
    return SqlStorage::open(kSqlite, (folder / "nearbeam.db").string(), hasher, error);
}

} // namespace nearbeam
