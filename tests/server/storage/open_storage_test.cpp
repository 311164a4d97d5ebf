// Opening the server's storage as the server does.

#include "server/storage/backends.h"
#include "server/storage/open_storage.h"

#include <sqlite3.h>

namespace nearbeam::test {
namespace {

// With no database named the records go to one SQLite file in the data folder,
// made with the folder when missing, in write-ahead-log mode, and there again
// when the server starts anew.
TEST(OpenStorage, SqliteByDefaultInTheDataFolder) {
    TempDir dir;
    const std::string folder = dir.file("state/data");
    std::string error;
    {
        auto storage = openStorage("", folder, error);
        ASSERT_NE(storage, nullptr) << error;
        ASSERT_TRUE(storage->write(
            [](Transaction& r) {
                return r.put(StoredKind::Country, {7, 0, 0, 0, "Norway", "", ""});
            },
            error))
            << error;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder + "/nearbeam.db").c_str(), &db), SQLITE_OK);
    std::string mode;
    sqlite3_exec(
        db, "PRAGMA journal_mode",
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) = values[0];
            return 0;
        },
        &mode, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(mode, "wal");

    auto again = openStorage("", folder, error);
    ASSERT_NE(again, nullptr) << error;
    std::optional<StoredRecord> country;
    EXPECT_TRUE(
        again->read([&](Transaction& r) { country = r.find(StoredKind::Country, 7); }, error));
    EXPECT_EQ(country ? country->name : "", "Norway");
}

TEST(OpenStorage, WhatCannotBeOpenedIsSaidInOneLine) {
    TempDir dir;
    dir.write("file", "");
    struct Case {
        std::string database, folder, error;
    };
    const Case cases[] = {
        {"mysql://host/db", dir.folder(),
         "the database must be a postgresql:// address (or none, for SQLite)"},
        {"postgresql:///nearbeam?host=" + dir.file("none"), dir.folder(),
         "cannot connect to the database: connection to server on socket \"" + dir.file("none") +
             "/.s.PGSQL.5432\" failed: No such file or directory"},
        {"", dir.file("file"), "cannot make the data folder " + dir.file("file")},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(openStorage(c.database, c.folder, error), nullptr) << c.database;
        EXPECT_EQ(error.substr(0, c.error.size()), c.error);
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

} // namespace
} // namespace nearbeam::test
