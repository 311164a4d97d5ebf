#include "survey/survey_scan.h"

#include "base/hex_digits.h"
#include "base/utc_time.h"
#include "records/record_lines.h"

#include <algorithm>

namespace nearbeam {

namespace {

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

BssidKey keyOf(uint64_t address) {
    uint8_t bytes[6];
    for (int i = 5; i >= 0; --i, address >>= 8)
        bytes[i] = static_cast<uint8_t>(address & 0xff);
    return BssidKey::fromBytes(bytes);
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

} // namespace

bool ScanLineReader::read(std::string_view line, bool withStatus) {
    readings_.clear();
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
    head_.buildingId = readIdentifier(*fields[0]);
    if (head_.buildingId == 0)
        return false;
    head_.floor = *fields[1];
    head_.location = *fields[2];
    if (withStatus) {
        if (!isNumber(*fields[3]))
            return false;
        head_.status = readSigned(*fields[3]);
    } else {
        head_.status = record_status::Server;
    }
    head_.time = *fields[headFields - 1];
    return isUtcTimeText(head_.time) && !atEnd && readReadings(rest) && eachOnce();
}

// The "bssid:rssi" fields, each followed by a tab but the last. The hot part of
// loading a large survey, so it walks the bytes once.
bool ScanLineReader::readReadings(std::string_view fields) {
    const char* at = fields.data();
    const char* const end = at + fields.size();
    for (;;) {
        if (end - at < static_cast<ptrdiff_t>(BssidKey::kLength + 2) ||
            at[BssidKey::kLength] != ':')
            return false;
        uint64_t address = 0;
        for (size_t i = 0; i < BssidKey::kLength; ++i) {
            const uint8_t v = kHexValues.value[static_cast<unsigned char>(at[i])];
            if (v == 0xff)
                return false;
            address = address << 4 | v;
        }
        at += BssidKey::kLength + 1;
        const bool negative = *at == '-';
        if (negative)
            ++at;
        const char* const digits = at;
        int32_t value = 0;
        for (; at < end && *at >= '0' && *at <= '9'; ++at) {
            if (at - digits == 3)
                return false;
            value = value * 10 + (*at - '0');
        }
        if (at == digits || (at < end && *at != '\t'))
            return false;
        const int32_t rssi = negative ? -value : value;
        if (rssi < kWeakestScanSignal || rssi > kStrongestScanSignal)
            return false;
        // Field by field: a whole struct built on the stack and copied in costs
        // a stalled load per reading here.
        PackedReading& reading = readings_.emplace_back();
        reading.address = address;
        reading.rssi = rssi;
        if (at == end)
            return true;
        ++at; // the tab; a line ending in one has an empty last field
    }
}

// Each access point once, checked in one pass through a small open-addressed
// set (sorting a copy took a sixth of the time of loading a large survey). A
// slot is empty unless it carries the current generation, so nothing is
// cleared between lines.
bool ScanLineReader::eachOnce() {
    size_t capacity = 64;
    while (capacity < 2 * readings_.size())
        capacity *= 2;
    if (seen_.size() < capacity || ++generation_ == 0) {
        seen_.assign(std::max(capacity, seen_.size()), Seen{});
        generation_ = 1;
    }
    const size_t mask = seen_.size() - 1;
    for (const PackedReading& reading : readings_) {
        // Fibonacci hashing spreads addresses that differ only in their last digits.
        size_t slot = static_cast<size_t>((reading.address * 0x9e3779b97f4a7c15u) >> 32) & mask;
        for (; seen_[slot].generation == generation_; slot = (slot + 1) & mask) {
            if (seen_[slot].address == reading.address)
                return false;
        }
        seen_[slot] = Seen{reading.address, generation_};
    }
    return true;
}

namespace {

std::optional<SurveyScan> parse(std::string_view line, bool withStatus) {
    ScanLineReader reader;
    if (!reader.read(line, withStatus))
        return std::nullopt;
    const ScanLineHead& head = reader.head();
    SurveyScan scan;
    scan.buildingId = head.buildingId;
    scan.floor = std::string(head.floor);
    scan.location = std::string(head.location);
    scan.status = head.status;
    scan.time = std::string(head.time);
    scan.readings.reserve(reader.readings().size());
    for (const PackedReading& reading : reader.readings())
        scan.readings.push_back(ScanReading{keyOf(reading.address), reading.rssi});
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
