#pragma once
// The record lines of the data files and of the server's text protocol: splitting,
// reading the fields, and formatting. Pure functions over texts; no file access.

#include "records/record_codes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

// The fields of a named record's line. Missing fields read as empty or zero.
struct RecordFields {
    uint32_t id = 0;
    uint32_t parentId = 0; // province, city, area: the parent; building: the city
    uint32_t areaId = 0;   // building only
    std::string name;      // service: the label
    std::string streetAddress;
    uint32_t scopeId = 0; // service only
    int32_t level = 0;    // service only
    std::string url;      // service only
    int32_t status = 0;   // not read for services
};

// The fields of an ap.txt line.
struct LocationFields {
    std::string bssid; // the first field as it stands
    uint32_t buildingId = 0;
    uint32_t networkId = 0;
    std::string floor;
    std::string location;
    int32_t status = 0;
};

// Reads a line (with or without its line break) of the kind's file. Networks,
// countries, provinces, cities, areas and services split collapsing (runs of tabs
// are one separator); buildings split exactly (an empty field is an empty text).
RecordFields parseRecordFields(RecordKind kind, std::string_view line);
// Reads an ap.txt line, splitting exactly.
LocationFields parseLocationFields(std::string_view line);

// The line without a trailing line break (LF, CR LF or a lone CR at its end).
std::string_view stripLineBreak(std::string_view line);
// Fields between tabs; several tabs in a row are one separator.
std::vector<std::string_view> splitCollapsing(std::string_view line);
// Every tab separates exactly one field.
std::vector<std::string_view> splitExact(std::string_view line);

// A decimal identifier at the start of text, stopping at the first non-digit.
// Zero when text does not start with a digit or the number does not fit 32 bits.
uint32_t readIdentifier(std::string_view text);
// True when text starts with a decimal number that fits 32 bits and equals id.
bool leadingIdentifierIs(std::string_view text, uint32_t id);
// A number field compared with id, as the wizard lists compare them: a field that
// does not start with a digit reads as 0; one that does not fit 32 bits matches
// nothing.
bool numberFieldIs(std::string_view field, uint32_t id);
// A signed decimal number ("%i"): an optional '-' and digits; zero when none or
// when it does not fit 32 bits.
int32_t readSigned(std::string_view text);

// The lines the program writes, each ending in "\n", never longer than
// kMaxLineLength (over-long texts are shortened, the status and line break stay).
// A tab, CR or LF in a text is written as a space; a NUL ends the text.
std::string formatCountryLine(uint32_t id, std::string_view name, int32_t status);
std::string formatChildLine(uint32_t id, uint32_t parentId, std::string_view name, int32_t status);
std::string formatBuildingLine(uint32_t id, uint32_t areaId, uint32_t cityId, std::string_view name,
                               std::string_view streetAddress, int32_t status);
std::string formatServiceLine(uint32_t id, uint32_t scopeId, int32_t level, std::string_view url,
                              std::string_view label, int32_t status);
std::string formatLocationLine(std::string_view bssid, uint32_t buildingId, uint32_t networkId,
                               std::string_view floor, std::string_view location, int32_t status);

// A text as a field of a written line: a tab, CR or LF becomes a space (each would
// shift the fields after it or split the line); a NUL ends the text.
std::string lineField(std::string_view text);

// A file line as the server sends it: without its line break and without its
// last (status) field. A line without a tab comes back without its line break only.
std::string_view withoutStatus(std::string_view fileLine);

} // namespace nearbeam
