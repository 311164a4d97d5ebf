#pragma once
// The stored records as the lines of the program's files and of the protocol.

#include "server/storage/storage.h"

#include <optional>
#include <string>
#include <string_view>

namespace nearbeam {

// The file of a kind's records in a data folder ("country.txt" …) and its
// section heading in the protocol ("- countries" …).
const char* storedFileName(StoredKind kind);
const char* storedHeading(StoredKind kind);

// A record's file line with status 0, ending in "\n".
std::string storedFileLine(StoredKind kind, const StoredRecord& place);
std::string accessPointFileLine(const AccessPoint& point);

// A record read from a file or protocol line (its status, if any, not read). None
// when its identifier is missing or 0, its name empty (a service may lack a label), or, for
// an access point, the address is not 12 hexadecimal digits.
std::optional<StoredRecord> storedFromLine(StoredKind kind, std::string_view line);
std::optional<AccessPoint> accessPointFromLine(std::string_view line);

// A name the server stores (a place's, a user's): not empty, and no control
// characters, which would break the lines it is sent and written in.
bool plainName(std::string_view name);

// An access point's address as 12 lower-case hexadecimal digits and back.
std::string bssidText(uint64_t bssid);
std::optional<uint64_t> bssidNumber(std::string_view text);

} // namespace nearbeam
