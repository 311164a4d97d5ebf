#pragma once
// The codes of the record files: the kinds of named record, the statuses, the
// service levels and the longest line. Apart from the records themselves, so that
// the line formats use them without the records.

#include <cstddef>
#include <cstdint>

namespace nearbeam {

// The kinds of named record; each has its own table and file.
enum class RecordKind { Network, Country, Province, City, Area, Building, Service };

// The life of a record, written as the last field of its file line.
namespace record_status {
inline constexpr int32_t Server = 0;         // came from the server; never uploaded
inline constexpr int32_t New = 2;            // made in memory, never written
inline constexpr int32_t Local = 3;          // written, waiting for upload
inline constexpr int32_t LocalChanged = 4;   // a Local record changed again, not rewritten
inline constexpr int32_t Changed = 5;        // any other record changed, not rewritten
inline constexpr int32_t ChangedWritten = 6; // changed record written, waiting for upload

// Only new or changed records are written by a save.
inline bool needsSave(int32_t status) {
    return status == New || status == LocalChanged || status == Changed;
}
// The status a save gives: 5 becomes 6, anything else 3.
inline int32_t savedStatus(int32_t status) {
    return status == Changed ? ChangedWritten : Local;
}
} // namespace record_status

// The level at which a service or subscription is attached to a place; the same
// numbers stand in services.txt and subscriptions.txt.
namespace service_level {
inline constexpr int32_t Everywhere = 0;
inline constexpr int32_t Network = 1;
inline constexpr int32_t Country = 2;
inline constexpr int32_t Province = 3;
inline constexpr int32_t City = 4;
inline constexpr int32_t Area = 5;
inline constexpr int32_t Building = 6;
} // namespace service_level

// Longest file line in characters, line break included.
inline constexpr size_t kMaxLineLength = 327;

} // namespace nearbeam
