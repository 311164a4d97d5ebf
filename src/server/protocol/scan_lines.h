#pragma once
// Survey scans on the server: an upload's scan line checked and read, and a
// stored scan written as the protocol's line or as a scans.txt line.

#include "server/storage/storage.h"
#include "survey/survey_scan.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

// What one upload may carry, and one download hands out.
inline constexpr size_t kMaxScansPerUpload = 200;
inline constexpr size_t kMaxReadingsPerScan = 60;
inline constexpr size_t kMaxScansPerDownload = 2000;
// A download's scans come to at most this many bytes: the newest that fit. Each
// reply is built whole in memory, and many are built at once.
inline constexpr size_t kMaxScanBytesPerDownload = 512 * 1024;

// An upload's scan line (the protocol's form), or none with what is wrong with
// it in `problem`: longer than kMaxScanLineLength, too many fields, an access
// point that is not 12 hexadecimal digits, a signal outside -120..0, or a line otherwise damaged.
// The building is the one the line names, not yet mapped.
std::optional<SurveyScan> readUploadedScan(std::string_view line, std::string& problem);

// The scan as stored, in the building given, uploaded by user.
StoredScan storedScanOf(const SurveyScan& scan, uint32_t building, const std::string& user);
// A stored scan read back; none when its readings are damaged.
std::optional<SurveyScan> surveyScanOf(const StoredScan& stored);

// The protocol's line of a stored scan, ending in "\n" (its fields as stored,
// which were checked on the way in); empty for one without readings.
std::string scanWireLine(const StoredScan& stored);

// Who stores scans, under which upload of the history, and when (seconds since
// 1970 by the server's clock).
struct ScanUpload {
    const std::string& user;
    uint64_t upload;
    std::time_t now;
};

// A scan's time the server takes: from 2000 on, and at most a day ahead of its
// clock (a far-future time would put a scan first in every download). Empty
// when it does, else why not.
std::string scanTimeProblem(const std::string& time, std::time_t now);
// The protocol lines of the scans a download hands out, in the order given (newest
// first), together at most kMaxScanBytesPerDownload: the newest that fit. Each
// with its time cut to the day ("2026-12-08T00:00:00Z"): a scan tells where
// someone stood, and the second would tell when. Without the "\n".
std::vector<std::string> servedScanLines(const std::vector<StoredScan>& newestFirst);

// Stores an upload's scan lines in its transaction, under the user, each in the
// server's building for the one it names (mapBuilding: none for a building
// neither the upload nor the server knows). The reply's lines of the scans stored
// go to `replyLines`. False with the reason and the line (quoted, cut when long)
// in `error` when a line is refused (the caller then stores nothing of the upload), or false with
// `error` empty when the storage failed. A scan the map holds already from the same
// user (the same building, floor, location and readings, at whatever time) is not
// stored again, nor replied.
bool storeUploadedScans(Transaction& records, const std::vector<std::string>& lines,
                        const ScanUpload& by,
                        const std::function<std::optional<uint32_t>(uint32_t)>& mapBuilding,
                        std::vector<std::string>& replyLines, std::string& error);

} // namespace nearbeam
