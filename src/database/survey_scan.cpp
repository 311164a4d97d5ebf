#include "database/survey_scan.h"

#include "base/hex_digits.h"
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

// The value of each hexadecimal digit (either case); 0xff for any other byte.
struct HexValues {
    uint8_t value[256];
    HexValues() {
        for (int c = 0; c < 256; ++c) {
            const int v = hexDigitValue(static_cast<char>(c));
            value[c] = v < 0 ? 0xff : static_cast<uint8_t>(v);
        }
    }
};
const HexValues kHexValues;
const char kLowerHex[] = "0123456789abcdef";

// A "bssid:rssi" field; number receives the address as a 48-bit number.
std::optional<ScanReading> readReading(std::string_view field, uint64_t& number) {
    if (field.size() < BssidKey::kLength + 2 || field[BssidKey::kLength] != ':')
        return std::nullopt;
    ScanReading reading;
    number = 0;
    for (size_t i = 0; i < BssidKey::kLength; ++i) {
        const uint8_t v = kHexValues.value[static_cast<unsigned char>(field[i])];
        if (v == 0xff)
            return std::nullopt;
        reading.bssid.digits[i] = kLowerHex[v];
        number = number << 4 | v;
    }
    const std::optional<int> rssi = readSignal(field.substr(BssidKey::kLength + 1));
    if (!rssi)
        return std::nullopt;
    reading.rssi = *rssi;
    return reading;
}

bool isNumber(std::string_view text) {
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The field up to the next tab (or the end), taken off the front of rest; none
// when rest is used up.
std::optional<std::string_view> nextField(std::string_view& rest, bool& atEnd) {
    if (atEnd)
        return std::nullopt;
    const size_t tab = rest.find('\t');
    const std::string_view field = rest.substr(0, tab);
    if (tab == std::string_view::npos)
        atEnd = true;
    else
        rest.remove_prefix(tab + 1);
    return field;
}

bool read(std::string_view line, bool withStatus, ScanLineHead& head,
          std::vector<ScanReading>& readings) {
    readings.clear();
    std::string_view rest = stripLineBreak(line);
    bool atEnd = false;
    std::optional<std::string_view> fields[5];
    const size_t headFields = withStatus ? 5 : 4;
    for (size_t i = 0; i < headFields; ++i) {
        fields[i] = nextField(rest, atEnd);
        if (!fields[i])
            return false;
    }
    if (!isNumber(*fields[0]) || (*fields[0])[0] == '-')
        return false;
    head.buildingId = readIdentifier(*fields[0]);
    if (head.buildingId == 0)
        return false;
    head.floor = *fields[1];
    head.location = *fields[2];
    if (withStatus) {
        if (!isNumber(*fields[3]))
            return false;
        head.status = readSigned(*fields[3]);
    } else {
        head.status = record_status::Server;
    }
    head.time = *fields[headFields - 1];
    if (!isUtcTimeText(head.time))
        return false;
    std::vector<uint64_t> numbers;
    while (const std::optional<std::string_view> field = nextField(rest, atEnd)) {
        uint64_t number = 0;
        const std::optional<ScanReading> reading = readReading(*field, number);
        if (!reading)
            return false;
        readings.push_back(*reading);
        numbers.push_back(number);
    }
    // Each access point once: sorted, a repeated one stands next to itself.
    std::sort(numbers.begin(), numbers.end());
    return !readings.empty() && std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end();
}

std::optional<SurveyScan> parse(std::string_view line, bool withStatus) {
    ScanLineHead head;
    SurveyScan scan;
    if (!read(line, withStatus, head, scan.readings))
        return std::nullopt;
    scan.buildingId = head.buildingId;
    scan.floor = std::string(head.floor);
    scan.location = std::string(head.location);
    scan.status = head.status;
    scan.time = std::string(head.time);
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

bool readScanLine(std::string_view line, ScanLineHead& head, std::vector<ScanReading>& readings) {
    return read(line, true, head, readings);
}

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
