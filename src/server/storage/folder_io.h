#pragma once
// Records and accounts to and from a folder of the program's text files
// (country.txt … ap.txt, services.txt, network.txt, scans.txt) and a users.txt of
// "name<TAB>hash" lines. Who uploaded a scan is not written: an imported scan is
// nobody's.

#include "server/storage/storage.h"

#include <string>

namespace nearbeam {

// Loads the folder's files (those present) in one transaction: all or nothing.
// Lines of records made locally and not yet uploaded (a status other than 0) are
// passed over. A users.txt line whose second field is a password's MD5 digest (32
// hexadecimal digits, as older servers kept them) is stored as the hash of the
// login token made from it; any other second field is taken as a hash already.
// False with a reason naming the file and line when a line cannot be read.
bool importFolder(Storage& storage, const std::string& folder, std::string& error);

// Writes every table to its file in the folder (created if missing), replacing
// what was there: lines with status 0, ends CR LF, by identifier (access points by
// address), and users.txt with the hashes.
bool exportFolder(Storage& storage, const std::string& folder, std::string& error);

} // namespace nearbeam
