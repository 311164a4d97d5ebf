#pragma once

#include "server/storage/storage.h"

#include <memory>
#include <string>

namespace nearbeam {

// Opens the server's storage: `database` a postgresql:// (or postgres://) URL, or
// empty for the SQLite file in dataFolder (created if missing), with login tokens
// kept as Argon2id hashes. Null with a one-line reason in `error`. Native builds
// only (the server's library).
std::unique_ptr<Storage> openStorage(const std::string& database, const std::string& dataFolder,
                                     std::string& error);

} // namespace nearbeam
