#include "database/survey_scan.h"

#include "base/utc_time.h"
#include "database/record_lines.h"

#include <algorithm>

namespace nearbeam {

namespace {

std::optional<int> readSignal(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < kWeakestScanSignal || value > kStrongestScanSignal)
        return std::nullopt;
    return value;
}

std::optional<ScanReading> readReading(std::string_view field) {
    if (field.size() < BssidKey::kLength + 2 || field[BssidKey::kLength] != ':')
        return std::nullopt;
    const std::optional<BssidKey> bssid = BssidKey::fromText(field.substr(0, BssidKey::kLength));
    const std::optional<int> rssi = readSignal(field.substr(BssidKey::kLength + 1));
    if (!bssid || !rssi)
        return std::nullopt;
    return ScanReading{*bssid, *rssi};
}

bool isNumber(std::string_view text) {
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<SurveyScan> parse(std::string_view line, bool withStatus) {
    const std::vector<std::string_view> fields = splitExact(stripLineBreak(line));
    const size_t firstReading = withStatus ? 5 : 4;
    if (fields.size() <= firstReading || !isNumber(fields[0]) || fields[0][0] == '-')
        return std::nullopt;
    SurveyScan scan;
    scan.buildingId = readIdentifier(fields[0]);
    if (scan.buildingId == 0)
        return std::nullopt;
    scan.floor = std::string(fields[1]);
    scan.location = std::string(fields[2]);
    if (withStatus) {
        if (!isNumber(fields[3]))
            return std::nullopt;
        scan.status = readSigned(fields[3]);
    } else {
        scan.status = record_status::Server;
    }
    const std::string_view time = fields[firstReading - 1];
    if (!isUtcTimeText(time))
        return std::nullopt;
    scan.time = std::string(time);
    for (size_t i = firstReading; i < fields.size(); ++i) {
        const std::optional<ScanReading> reading = readReading(fields[i]);
        if (!reading)
            return std::nullopt;
        for (const ScanReading& seen : scan.readings) {
            if (seen.bssid == reading->bssid)
                return std::nullopt;
        }
        scan.readings.push_back(*reading);
    }
    return scan;
}

std::string format(const SurveyScan& scan, bool withStatus) {
    std::string line = std::to_string(scan.buildingId) + '\t' + lineField(scan.floor) + '\t' +
                       lineField(scan.location) + '\t';
    if (withStatus)
        line += std::to_string(scan.status) + '\t';
    line += lineField(scan.time);
    for (const ScanReading& reading : scan.readings) {
        line += '\t';
        line += reading.bssid.view();
        line += ':';
        line += std::to_string(reading.rssi);
    }
    line += '\n';
    return line;
}

} // namespace

std::optional<SurveyScan> parseScanLine(std::string_view line) {
    return parse(line, true);
}

std::optional<SurveyScan> parseScanWireLine(std::string_view line) {
    return parse(line, false);
}

std::string formatScanLine(const SurveyScan& scan) {
    return format(scan, true);
}

std::string formatScanWireLine(const SurveyScan& scan) {
    return format(scan, false);
}

} // namespace nearbeam
