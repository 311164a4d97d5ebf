#pragma once
// The server's records in PostgreSQL, for more than one machine: several server
// processes share one database. Identifiers come from sequences, writing
// transactions that touch places take one advisory lock (so an upload's look-ups
// and inserts are not raced by another process's), and reads see one snapshot.
// Open with SqlStorage::open(kPostgres, "postgresql://…", …).

#include "server/storage/sql_storage.h"

namespace nearbeam {

extern const SqlConnectionType kPostgres;

} // namespace nearbeam
