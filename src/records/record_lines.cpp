#include "records/record_lines.h"

#include <algorithm>
#include <optional>

namespace nearbeam {

namespace {

// A text field as stored in memory: a NUL ends it, as it would end the text in
// every C-string user of it.
std::string textField(std::string_view field) {
    size_t nul = field.find('\0');
    if (nul != std::string_view::npos)
        field = field.substr(0, nul);
    return std::string(field);
}

} // namespace

// A text as a field of a written line. A tab or line break inside would shift the
// fields after it or split the line (a name holding a tab could even turn the
// status into 0, a server record's), so each is written as a space; a NUL ends
// the text, as it does for every reader of the line.
std::string lineField(std::string_view text) {
    std::string out(text.substr(0, text.find('\0')));
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

namespace {

// The decimal number at the start of text; none when text does not start with a
// digit or the number does not fit 32 bits.
std::optional<uint32_t> leadingNumber(std::string_view text) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return std::nullopt;
    uint64_t value = 0;
    for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > 0xffffffffu)
            return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::string_view field(const std::vector<std::string_view>& fields, size_t i) {
    return i < fields.size() ? fields[i] : std::string_view();
}

// Joins fields with tabs and a final "\n". When the line would be longer than a
// file line may be, the shortenable fields (given as indexes, the first to be cut
// first) are shortened, so that the status and the line break always remain.
std::string joinLine(std::vector<std::string> fields, std::initializer_list<size_t> shortenable) {
    size_t length = fields.size(); // tabs between fields plus the "\n"
    for (const auto& f : fields)
        length += f.size();
    for (size_t i : shortenable) {
        if (length <= kMaxLineLength)
            break;
        size_t cut = std::min(fields[i].size(), length - kMaxLineLength);
        fields[i].resize(fields[i].size() - cut);
        length -= cut;
    }
    std::string line;
    line.reserve(length);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line.push_back('\t');
        line += fields[i];
    }
    line.push_back('\n');
    // Numbers alone never exceed the limit; this only guards the invariant.
    if (line.size() > kMaxLineLength)
        line.resize(kMaxLineLength);
    return line;
}

} // namespace

std::string_view stripLineBreak(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::vector<std::string_view> splitCollapsing(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == '\t')
            ++at;
        if (at >= line.size())
            break;
        size_t end = line.find('\t', at);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

std::vector<std::string_view> splitExact(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    for (;;) {
        size_t end = line.find('\t', at);
        if (end == std::string_view::npos) {
            fields.push_back(line.substr(at));
            return fields;
        }
        fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
}

uint32_t readIdentifier(std::string_view text) {
    return leadingNumber(text).value_or(0);
}

bool leadingIdentifierIs(std::string_view text, uint32_t id) {
    auto number = leadingNumber(text);
    return number && *number == id;
}

bool numberFieldIs(std::string_view field, uint32_t id) {
    if (field.empty() || field[0] < '0' || field[0] > '9')
        return id == 0; // no number reads as 0
    return leadingIdentifierIs(field, id);
}

int32_t readSigned(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    int64_t value = 0;
    for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x80000000LL)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > 0x7fffffffLL)
        return 0;
    return static_cast<int32_t>(value);
}

RecordFields parseRecordFields(RecordKind kind, std::string_view line) {
    RecordFields r;
    line = stripLineBreak(line);
    if (kind == RecordKind::Building) {
        auto f = splitExact(line);
        r.id = readIdentifier(field(f, 0));
        r.areaId = readIdentifier(field(f, 1));
        r.parentId = readIdentifier(field(f, 2));
        r.name = textField(field(f, 3));
        r.streetAddress = textField(field(f, 4));
        r.status = readSigned(field(f, 5));
        return r;
    }
    auto f = splitCollapsing(line);
    r.id = readIdentifier(field(f, 0));
    switch (kind) {
    case RecordKind::Network:
    case RecordKind::Country:
        r.name = textField(field(f, 1));
        r.status = readSigned(field(f, 2));
        break;
    case RecordKind::Province:
    case RecordKind::City:
    case RecordKind::Area:
        r.parentId = readIdentifier(field(f, 1));
        r.name = textField(field(f, 2));
        r.status = readSigned(field(f, 3));
        break;
    case RecordKind::Service:
        r.scopeId = readIdentifier(field(f, 1));
        r.level = readSigned(field(f, 2));
        r.url = textField(field(f, 3));
        r.name = textField(field(f, 4));
        break;
    case RecordKind::Building:
        break;
    }
    return r;
}

LocationFields parseLocationFields(std::string_view line) {
    LocationFields r;
    auto f = splitExact(stripLineBreak(line));
    r.bssid = textField(field(f, 0));
    r.buildingId = readIdentifier(field(f, 1));
    r.networkId = readIdentifier(field(f, 2));
    r.floor = textField(field(f, 3));
    r.location = textField(field(f, 4));
    r.status = readSigned(field(f, 5));
    return r;
}

std::string formatCountryLine(uint32_t id, std::string_view name, int32_t status) {
    return joinLine({std::to_string(id), lineField(name), std::to_string(status)}, {1});
}

std::string formatChildLine(uint32_t id, uint32_t parentId, std::string_view name, int32_t status) {
    return joinLine(
        {std::to_string(id), std::to_string(parentId), lineField(name), std::to_string(status)},
        {2});
}

std::string formatBuildingLine(uint32_t id, uint32_t areaId, uint32_t cityId, std::string_view name,
                               std::string_view streetAddress, int32_t status) {
    return joinLine({std::to_string(id), std::to_string(areaId), std::to_string(cityId),
                     lineField(name), lineField(streetAddress), std::to_string(status)},
                    {4, 3});
}

std::string formatServiceLine(uint32_t id, uint32_t scopeId, int32_t level, std::string_view url,
                              std::string_view label, int32_t status) {
    return joinLine({std::to_string(id), std::to_string(scopeId), std::to_string(level),
                     lineField(url), lineField(label), std::to_string(status)},
                    {4, 3});
}

std::string formatLocationLine(std::string_view bssid, uint32_t buildingId, uint32_t networkId,
                               std::string_view floor, std::string_view location, int32_t status) {
    return joinLine({lineField(bssid), std::to_string(buildingId), std::to_string(networkId),
                     lineField(floor), lineField(location), std::to_string(status)},
                    {4, 3});
}

std::string_view withoutStatus(std::string_view fileLine) {
    std::string_view line = stripLineBreak(fileLine);
    size_t tab = line.rfind('\t');
    if (tab == std::string_view::npos)
        return line;
    return line.substr(0, tab);
}

} // namespace nearbeam
