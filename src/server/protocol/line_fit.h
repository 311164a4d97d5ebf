#pragma once
// Whether a record fits the lines it is sent and kept in. A line holds a fixed
// number of tab-separated fields, so a tab inside a text would make fields of
// its own; and a line is at most kMaxLineLength bytes, so a longer text would be
// cut where readers stop, perhaps inside a character. Such records are refused
// where they come in (an upload, an import) rather than stored and served cut.

#include "server/storage/storage.h"

#include <string>
#include <string_view>

namespace nearbeam {

// The reasons are sentences without their full stop, for a message to go on.
//
// Why the line holds more fields than its kind has (and a status after them, as
// the program's files keep it), or empty when it does not.
std::string placeFieldsProblem(StoredKind kind, std::string_view line);
std::string accessPointFieldsProblem(std::string_view line);

// Why the record's file line would be longer than a line may be, naming the text
// that makes it so and the bytes that text may have, or empty when it fits.
std::string placeLengthProblem(StoredKind kind, const StoredRecord& place);
std::string accessPointLengthProblem(const AccessPoint& point);
// A scan's floor and location have the bytes they have in its access points' lines.
std::string scanLengthProblem(const StoredScan& scan);

// A record's line as a message quotes it: at most about 60 bytes, cut before a
// character and marked "..." when longer.
std::string quotedLine(std::string_view line);

} // namespace nearbeam
