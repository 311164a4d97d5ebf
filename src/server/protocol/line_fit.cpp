#include "server/protocol/line_fit.h"

#include "records/record_lines.h"
#include "records/records.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace nearbeam {
namespace {

const char* kindName(StoredKind kind) {
    constexpr const char* names[] = {"country",  "province", "city",   "area",
                                     "building", "network",  "service"};
    return names[static_cast<int>(kind)];
}

// The fields of a kind's line without its status.
size_t fieldCount(StoredKind kind) {
    switch (kind) {
    case StoredKind::Country:
    case StoredKind::Network:
        return 2;
    case StoredKind::Province:
    case StoredKind::City:
    case StoredKind::Area:
        return 3;
    case StoredKind::Building:
    case StoredKind::Service:
        break;
    }
    return 5;
}

bool isStatus(std::string_view field) {
    if (!field.empty() && field[0] == '-')
        field.remove_prefix(1);
    return !field.empty() && field.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string fieldsProblem(const std::vector<std::string_view>& fields, size_t expected,
                          const std::string& aKind) {
    const size_t n = fields.size();
    // Fewer fields read as empty texts and zeros, as the program reads its files.
    if (n <= expected || (n == expected + 1 && isStatus(fields.back())))
        return {};
    return "A record line has " + std::to_string(n) + " field" + (n == 1 ? "" : "s") + "; " +
           aKind + " line has " + std::to_string(expected) + " and may end in a status";
}

// The first text (in the order given, each with how a message calls it) that
// makes a line longer than kMaxLineLength, given the bytes of the line's other
// fields, its tabs, its status "0" and its line break.
std::string lengthProblem(size_t numbers, size_t fieldCount,
                          std::initializer_list<std::pair<const char*, const std::string*>> texts) {
    size_t used = numbers + fieldCount + 1; // the status "0", tabs between fields, "\n"
    for (const auto& [name, text] : texts) {
        if (used + text->size() > kMaxLineLength)
            return std::string(name) + " is longer than " + std::to_string(kMaxLineLength - used) +
                   " bytes";
        used += text->size();
    }
    return {};
}

size_t digits(uint32_t n) {
    return std::to_string(n).size();
}

} // namespace

std::string placeFieldsProblem(StoredKind kind, std::string_view line) {
    // As the files are read: buildings split at every tab, the others at runs of tabs.
    return fieldsProblem(kind == StoredKind::Building ? splitExact(line) : splitCollapsing(line),
                         fieldCount(kind), std::string("a ") + kindName(kind));
}

std::string accessPointFieldsProblem(std::string_view line) {
    return fieldsProblem(splitExact(line), 5, "an access point");
}

std::string placeLengthProblem(StoredKind kind, const StoredRecord& p) {
    const std::string name = std::string("A ") + kindName(kind) + " name";
    switch (kind) {
    case StoredKind::Country:
    case StoredKind::Network:
        return lengthProblem(digits(p.id), 3, {{name.c_str(), &p.name}});
    case StoredKind::Province:
    case StoredKind::City:
    case StoredKind::Area:
        return lengthProblem(digits(p.id) + digits(p.parent), 4, {{name.c_str(), &p.name}});
    case StoredKind::Building:
        return lengthProblem(digits(p.id) + digits(p.area) + digits(p.parent), 6,
                             {{name.c_str(), &p.name}, {"A building's street address", &p.street}});
    case StoredKind::Service:
        break;
    }
    return lengthProblem(digits(p.id) + digits(p.parent) + std::to_string(p.level).size(), 6,
                         {{"A service's label", &p.name}, {"A service's address", &p.url}});
}

std::string accessPointLengthProblem(const AccessPoint& a) {
    return lengthProblem(
        12 + digits(a.building) + digits(a.network), 6,
        {{"An access point's floor", &a.floor}, {"An access point's location", &a.location}});
}

std::string scanLengthProblem(const StoredScan& s) {
    // As an access point's line in the building with no network (1 digit).
    return lengthProblem(12 + digits(s.building) + 1, 6,
                         {{"A scan's floor", &s.floor}, {"A scan's location", &s.location}});
}

std::string quotedLine(std::string_view line) {
    constexpr size_t kQuoted = 60;
    if (line.size() <= kQuoted)
        return std::string(line);
    size_t cut = kQuoted;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xc0) == 0x80)
        --cut; // not inside a character
    return std::string(line.substr(0, cut)) + "...";
}

} // namespace nearbeam
