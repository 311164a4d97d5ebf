#pragma once
// The server's accounts: a user name and the hash of the login token the program
// sends with an upload (made from the password as the program makes it). Neither
// the password nor its digest nor the token is kept.

#include "server/storage/storage.h"

#include <string>
#include <vector>

namespace nearbeam {

// Adds a user, or gives an existing one a new password; a keeper may withdraw
// and restore uploads and block users on the keepers' page (the role follows the
// last add). False with a reason when the name is unusable (empty, a control
// character) or the storage failed.
bool addUser(Storage& storage, const std::string& name, const std::string& password,
             std::string& error, bool keeper = false);
// False with a reason when there is no such user or the storage failed. With
// `purged`, what the user uploaded goes too, in the same transaction (see
// Transaction::purgeUploads), and is counted there; the uploads of a user removed
// before are purged all the same; the storage then keeps no copy of them in its
// logs (Storage::forgetRemoved).
bool removeUser(Storage& storage, const std::string& name, std::string& error,
                PurgeCounts* purged = nullptr);
// The users' names, sorted, a keeper's followed by " (keeper)" and a blocked
// one's by " (blocked)"; empty when the storage could not be read.
std::vector<std::string> listUsers(Storage& storage);

} // namespace nearbeam
