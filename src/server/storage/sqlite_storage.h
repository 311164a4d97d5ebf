#pragma once
// The server's records in one SQLite file: write-ahead logging, so readers never
// wait for the writer; a busy timeout, so writers queue rather than fail; and every
// writing transaction begun IMMEDIATE, so two never deadlock upgrading their locks.
// Open with SqlStorage::open(kSqlite, path, …); the file is made if missing.

#include "server/storage/sql_storage.h"

namespace nearbeam {

extern const SqlConnectionType kSqlite;

} // namespace nearbeam
