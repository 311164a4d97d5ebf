#include "server/protocol/scan_lines.h"

#include "records/record_lines.h"
#include "server/protocol/line_fit.h"

#include "base/utc_time.h"

namespace nearbeam {
namespace {

// The fields of a protocol scan line before its first access point.
constexpr size_t kScanHeadFields = 4;

// What is wrong with one "bssid:rssi" field; empty when nothing is.
std::string readingProblem(std::string_view field) {
    const size_t colon = field.find(':');
    if (colon == std::string_view::npos || !BssidKey::fromText(field.substr(0, colon)))
        return "An access point of a scan is not 12 hexadecimal digits";
    std::string_view signal = field.substr(colon + 1);
    const bool negative = !signal.empty() && signal[0] == '-';
    signal.remove_prefix(negative ? 1 : 0);
    int value = 0;
    bool digits = !signal.empty() && signal.size() <= 3;
    for (char c : signal) {
        digits = digits && c >= '0' && c <= '9';
        value = value * 10 + (c - '0');
    }
    if (!digits || (negative ? -value : value) < kWeakestScanSignal ||
        (negative ? -value : value) > kStrongestScanSignal)
        return "A signal of a scan is not a whole number of dBm from -120 to 0";
    return {};
}

} // namespace

std::optional<SurveyScan> readUploadedScan(std::string_view line, std::string& problem) {
    if (line.size() > kMaxScanLineLength) {
        problem = "A scan line is longer than " + std::to_string(kMaxScanLineLength) + " bytes";
        return std::nullopt;
    }
    const std::vector<std::string_view> fields = splitExact(line);
    if (fields.size() > kScanHeadFields + kMaxReadingsPerScan) {
        problem =
            "A scan holds more than " + std::to_string(kMaxReadingsPerScan) + " access points";
        return std::nullopt;
    }
    std::optional<SurveyScan> scan = parseScanWireLine(line);
    if (scan)
        return scan;
    for (size_t i = kScanHeadFields; i < fields.size(); ++i) {
        problem = readingProblem(fields[i]);
        if (!problem.empty())
            return std::nullopt;
    }
    problem = "A scan line could not be read";
    return std::nullopt;
}

StoredScan storedScanOf(const SurveyScan& scan, uint32_t building, const std::string& user) {
    StoredScan stored;
    stored.building = building;
    stored.floor = scan.floor;
    stored.location = scan.location;
    stored.time = scan.time;
    stored.user = user;
    for (const ScanReading& reading : scan.readings) {
        if (!stored.readings.empty())
            stored.readings += '\t';
        stored.readings += std::string(reading.bssid.view()) + ':' + std::to_string(reading.rssi);
    }
    return stored;
}

std::optional<SurveyScan> surveyScanOf(const StoredScan& stored) {
    SurveyScan head;
    head.buildingId = stored.building;
    head.floor = stored.floor;
    head.location = stored.location;
    head.time = stored.time;
    // Read through the line form, so a stored scan obeys the same rules as a line.
    std::string line = formatScanWireLine(head);
    line.pop_back();
    return parseScanWireLine(line + '\t' + stored.readings);
}

std::string scanWireLine(const StoredScan& stored) {
    // The fields were checked when the scan was stored (an upload's line or an
    // imported one): written as they are, a download of thousands stays cheap.
    if (stored.building == 0 || stored.readings.empty())
        return {};
    return std::to_string(stored.building) + '\t' + lineField(stored.floor) + '\t' +
           lineField(stored.location) + '\t' + stored.time + '\t' + stored.readings + '\n';
}

std::string scanTimeProblem(const std::string& time, std::time_t now) {
    // The times are of one fixed shape, so they compare as texts.
    if (time < "2000-01-01T00:00:00Z")
        return "A scan's time is before 2000";
    if (time > utcTimeText(now + 24 * 60 * 60))
        return "A scan's time is more than a day ahead of the server's clock";
    return {};
}

std::vector<std::string> servedScanLines(const std::vector<StoredScan>& newestFirst) {
    std::vector<std::string> lines;
    size_t bytes = 0;
    for (const StoredScan& scan : newestFirst) {
        StoredScan served = scan;
        if (served.time.size() > 10)
            served.time = served.time.substr(0, 10) + "T00:00:00Z";
        std::string line = scanWireLine(served);
        // One stored before scans were bounded is left out rather than served.
        if (line.empty() || line.size() > kMaxScanLineLength)
            continue;
        bytes += line.size();
        if (bytes > kMaxScanBytesPerDownload)
            break;
        line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

bool storeUploadedScans(Transaction& records, const std::vector<std::string>& lines,
                        const ScanUpload& by,
                        const std::function<std::optional<uint32_t>(uint32_t)>& mapBuilding,
                        std::vector<std::string>& replyLines, std::string& error) {
    if (lines.size() > kMaxScansPerUpload) {
        error = "An upload holds at most " + std::to_string(kMaxScansPerUpload) + " scans.";
        return false;
    }
    for (const std::string& line : lines) {
        std::string problem;
        const std::optional<SurveyScan> scan = readUploadedScan(line, problem);
        if (!scan) {
            error = problem + ": " + quotedLine(line);
            return false;
        }
        const std::optional<uint32_t> building = mapBuilding(scan->buildingId);
        if (records.failed())
            return false;
        if (!building) {
            error = "A scan refers to a building the server does not know: " + quotedLine(line);
            return false;
        }
        if (std::string problem = scanTimeProblem(scan->time, by.now); !problem.empty()) {
            error = problem + ": " + quotedLine(line);
            return false;
        }
        StoredScan stored = storedScanOf(*scan, *building, by.user);
        stored.upload = by.upload;
        if (std::string problem = scanLengthProblem(stored); !problem.empty()) {
            error = problem + ": " + quotedLine(line);
            return false;
        }
        if (records.scanStored(stored))
            continue;
        if (records.failed() || !records.putScan(stored))
            return false;
        std::string reply = scanWireLine(stored);
        reply.pop_back();
        replyLines.push_back(std::move(reply));
    }
    return true;
}

} // namespace nearbeam
