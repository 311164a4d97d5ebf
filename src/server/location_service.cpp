#include "server/location_service.h"

#include "base/file_ops.h"
#include "base/memory_settings_store.h"
#include "database/data_file.h"
#include "database/location_database.h"
#include "database/record_lines.h"
#include "net/md5.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace nearbeam {
namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

// The server hands out identifiers upwards from 1; the program's local ones count
// down from 4294967295 and never reach this range.
constexpr uint32_t kLocalIdsFrom = 0x80000000u;

constexpr const char* kHeadings[9] = {
    "",         "- services", "- networks",  "- countries", "- provinces",
    "- cities", "- areas",    "- buildings", "- aps"};
enum Section { Services = 1, Networks, Countries, Provinces, Cities, Areas, Buildings, Aps };

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The reply's sections in the order a reader can resolve them (parents first).
struct Reply {
    std::vector<std::string> sections[9];
    void add(int section, std::string_view fileLine) {
        std::string line(withoutStatus(fileLine));
        for (const std::string& have : sections[section])
            if (have == line)
                return;
        sections[section].push_back(std::move(line));
    }
    std::string text() const {
        std::string out;
        for (int s : {Countries, Provinces, Cities, Areas, Buildings, Networks, Aps, Services}) {
            if (sections[s].empty())
                continue;
            out += kHeadings[s];
            out += '\n';
            for (const std::string& line : sections[s])
                out += line + '\n';
        }
        return out;
    }
};

std::string errorReply(const std::string& reason) {
    return "- error " + reason + "\n- end\n";
}

// No control characters but the tabs between fields: a line break or a NUL inside
// a text would break its line in the data files, or cut it short.
bool plainText(std::string_view text, bool tabsAllowed) {
    for (char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && !(tabsAllowed && c == '\t')) || c == 0x7f)
            return false;
    return true;
}

bool validName(const std::string& text) {
    return !text.empty() && plainText(text, false);
}

// Every line of a users file, the last one even without its line break: the file
// is kept by hand as well as by addUser.
std::vector<std::string> userLines(const std::string& path) {
    std::vector<std::string> lines;
    datafile::LineReader reader(path);
    std::string_view line;
    while (reader.next(line))
        lines.emplace_back(stripLineBreak(line));
    if (!reader.unfinished().empty())
        lines.emplace_back(stripLineBreak(reader.unfinished()));
    return lines;
}

// The next free server identifier of a file.
uint32_t nextServerId(TextTable& table) {
    uint32_t highest = 0;
    datafile::forEachPartOfFile(table.path(), [&](std::string_view part) {
        uint32_t id = readIdentifier(part);
        if (id < kLocalIdsFrom && id > highest)
            highest = id;
        return false;
    });
    return highest + 1;
}

// Rewrites a file with some of its lines replaced: replacements maps a line's key
// (the text up to and including its first tab) to the new line.
bool replaceKeyedLines(TextTable& table, const std::map<std::string, std::string>& replacements) {
    if (replacements.empty())
        return true;
    std::vector<std::string> lines;
    {
        // Closed before the file is replaced: Windows cannot replace an open file.
        datafile::LineReader reader(table.path());
        if (!reader.isOpen())
            return false;
        std::string_view text;
        while (reader.next(text)) {
            text = stripLineBreak(text);
            size_t tab = text.find('\t');
            auto it = tab == std::string_view::npos
                          ? replacements.end()
                          : replacements.find(std::string(text.substr(0, tab + 1)));
            lines.emplace_back(it == replacements.end() ? std::string(text)
                                                        : std::string(stripLineBreak(it->second)));
        }
    }
    return datafile::replaceLines(table.path(), lines);
}

// One upload being turned into server records: identifiers mapped, lines to add
// and to replace per table, and the reply's copies.
class UploadPlan {
  public:
    explicit UploadPlan(LocationDatabase& db) : db_(db) {}

    // Returns an error text, or empty on success.
    std::string build(const std::vector<std::string> (&records)[9]) {
        const std::pair<int, RecordKind> named[] = {{Countries, RecordKind::Country},
                                                    {Provinces, RecordKind::Province},
                                                    {Cities, RecordKind::City},
                                                    {Areas, RecordKind::Area},
                                                    {Buildings, RecordKind::Building}};
        for (auto [section, kind] : named) {
            RecordTable& table = recordTable(section);
            uint32_t nextId = nextServerId(table);
            for (const std::string& line : records[section]) {
                std::string error = planNamed(section, kind, table, line, nextId);
                if (!error.empty())
                    return error;
            }
        }
        for (const std::string& line : records[Aps]) {
            std::string error = planLocation(line);
            if (!error.empty())
                return error;
        }
        return {};
    }

    bool apply() {
        for (int section = Countries; section <= Aps; ++section) {
            TextTable& table = *db_.tableForSection(section);
            if (!replaceKeyedLines(table, replacements_[section]))
                return false;
            for (const std::string& line : additions_[section])
                table.appendServerLine(withoutStatus(line));
        }
        return true;
    }

    Reply reply;
    size_t stored = 0;

  private:
    RecordTable& recordTable(int section) {
        return *static_cast<RecordTable*>(db_.tableForSection(section));
    }

    // The server identifier for a reference: a record of this upload, or one the
    // server has. None for a reference to nothing.
    std::optional<uint32_t> mapReference(int section, uint32_t id, bool zeroAllowed) {
        if (id == 0)
            return zeroAllowed ? std::optional<uint32_t>(0) : std::nullopt;
        auto it = idMap_[section].find(id);
        if (it != idMap_[section].end())
            return it->second;
        if (id < kLocalIdsFrom && recordTable(section).findById(id))
            return id;
        return std::nullopt;
    }

    std::string planNamed(int section, RecordKind kind, RecordTable& table, const std::string& line,
                          uint32_t& nextId) {
        RecordFields f = parseRecordFields(kind, line);
        if (f.id == 0 || !validName(f.name))
            return "A record line could not be read: " + line;
        const int parentSection = kind == RecordKind::Province ? Countries
                                  : kind == RecordKind::City   ? Provinces
                                                               : Cities;
        uint32_t parent = 0, area = 0;
        if (kind != RecordKind::Country) {
            auto mapped = mapReference(parentSection, f.parentId, false);
            if (!mapped)
                return "A record refers to a place the server does not know: " + line;
            parent = *mapped;
        }
        if (kind == RecordKind::Building) {
            auto mapped = mapReference(Areas, f.areaId, true);
            if (!mapped)
                return "A building refers to an area the server does not know: " + line;
            area = *mapped;
        }

        uint32_t id;
        bool replace = false;
        NamedRecord* existing = nullptr;
        if (f.id < kLocalIdsFrom && table.findById(f.id)) {
            id = f.id; // a server record changed by the user: the new text replaces it
            replace = true;
        } else {
            NamedRecord* parentRecord =
                kind == RecordKind::Country ? nullptr : recordTable(parentSection).findById(parent);
            NamedRecord* areaRecord = area ? recordTable(Areas).findById(area) : nullptr;
            if (kind == RecordKind::Country || parentRecord)
                existing = table.findByName(f.name, parentRecord, areaRecord,
                                            kind == RecordKind::Building);
            if (existing && kind == RecordKind::Building && !area &&
                static_cast<BuildingRecord*>(existing)->area)
                existing = nullptr; // same name in an area is another building
            id = existing ? existing->id : nextId++;
        }
        idMap_[section][f.id] = id;
        if (existing) { // the server has the same place already: the user gets its copy
            reply.add(section, existing->formatLine());
            return {};
        }
        std::string newLine;
        switch (kind) {
        case RecordKind::Country:
            newLine = formatCountryLine(id, f.name, 0);
            break;
        case RecordKind::Building:
            newLine = formatBuildingLine(id, area, parent, f.name, f.streetAddress, 0);
            break;
        default:
            newLine = formatChildLine(id, parent, f.name, 0);
            break;
        }
        if (replace)
            replacements_[section][std::to_string(id) + "\t"] = newLine;
        else
            additions_[section].push_back(newLine);
        reply.add(section, newLine);
        ++stored;
        return {};
    }

    std::string planLocation(const std::string& line) {
        LocationFields f = parseLocationFields(line);
        auto key = BssidKey::fromText(f.bssid);
        if (!key)
            return "An access point line could not be read: " + line;
        auto building = mapReference(Buildings, f.buildingId, false);
        if (!building)
            return "An access point refers to a building the server does not know: " + line;
        uint32_t network = f.networkId;
        if (network != 0 && !db_.networks().findById(network))
            network = 0; // networks come only from the server
        std::string newLine =
            formatLocationLine(key->view(), *building, network, f.floor, f.location, 0);
        const std::string prefix = key->str() + "\t";
        // An access point named twice in one upload: the later line wins, in the
        // file and in the reply (the earlier one would never be stored).
        auto samePoint = [&](const std::string& line) { return line.rfind(prefix, 0) == 0; };
        std::vector<std::string>& replied = reply.sections[Aps];
        const bool again = std::any_of(replied.begin(), replied.end(), samePoint);
        if (again) {
            for (std::vector<std::string>* lines : {&additions_[Aps], &replied})
                lines->erase(std::remove_if(lines->begin(), lines->end(), samePoint), lines->end());
        }
        if (db_.locations().find(*key))
            replacements_[Aps][prefix] = newLine;
        else
            additions_[Aps].push_back(newLine);
        reply.add(Aps, newLine);
        stored += again ? 0 : 1;
        return {};
    }

    LocationDatabase& db_;
    std::map<uint32_t, uint32_t> idMap_[9];
    std::vector<std::string> additions_[9];
    std::map<std::string, std::string> replacements_[9];
};

} // namespace

LocationService::LocationService(std::string folder, std::string usersPath)
    : folder_(std::move(folder)), usersPath_(std::move(usersPath)) {
    if (!folder_.empty() && folder_.back() != '/' && folder_.back() != '\\')
        folder_ += '/';
    makeFolder(folder_);
    if (usersPath_.empty())
        usersPath_ = folder_ + "users.txt";
}

std::string LocationService::downloadText(const std::string& bssid) {
    auto key = BssidKey::fromText(bssid);
    if (!key)
        return {};
    std::lock_guard<std::mutex> serial(mutex_);
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folder_);
    Guard guard(db.lock());

    LocationRecord* location = db.locations().find(*key);
    if (!location)
        return "- end\n";
    Reply reply;
    reply.add(Aps, location->formatLine());
    location->resolveParents();
    // The identifier of the place at each service level; 0 where there is none.
    uint32_t scope[7] = {};
    if (location->network) {
        // A network line has no parent field: identifier, name, status.
        const NamedRecord& network = *location->network;
        reply.add(Networks, formatCountryLine(network.id, network.name, network.status));
        scope[1] = location->network->id;
    }
    const std::pair<NamedRecord*, int> levels[] = {{location->country, Countries},
                                                   {location->province, Provinces},
                                                   {location->city, Cities},
                                                   {location->area, Areas},
                                                   {location->building, Buildings}};
    for (int i = 0; i < 5; ++i) {
        auto [record, section] = levels[i];
        if (!record)
            continue;
        reply.add(section, record->formatLine());
        scope[i + 2] = record->id;
    }
    datafile::forEachPartOfFile(db.services().path(), [&](std::string_view part) {
        RecordFields f = parseRecordFields(RecordKind::Service, part);
        if (f.id != 0 && f.level >= 0 && f.level <= 6 &&
            (f.level == 0 || (scope[f.level] != 0 && scope[f.level] == f.scopeId)))
            reply.add(Services, part);
        return false;
    });
    return reply.text() + "- end\n";
}

bool LocationService::checkLogin(const std::string& name, const std::string& token) const {
    for (const std::string& line : userLines(usersPath_)) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos && line.compare(0, tab, name) == 0)
            return loginTokenFromDigest(std::string_view(line).substr(tab + 1)) == token;
    }
    return false;
}

bool LocationService::addUser(const std::string& usersPath, const std::string& name,
                              const std::string& password) {
    if (!validName(name))
        return false;
    std::vector<std::string> lines;
    for (std::string& line : userLines(usersPath)) {
        if (!line.empty() && line.substr(0, line.find('\t')) != name)
            lines.push_back(std::move(line));
    }
    lines.push_back(name + "\t" + md5Hex(password));
    return datafile::replaceLines(usersPath, lines);
}

std::string LocationService::uploadText(const std::string& body) {
    std::vector<std::string> lines = splitLines(body);
    if (lines.size() < 3 || lines[0] != "- login")
        return errorReply("The upload did not begin with a login.");
    const std::string& user = lines[1];
    std::lock_guard<std::mutex> serial(mutex_);
    if (!validName(user) || !checkLogin(user, lines[2]))
        return errorReply("Unknown user name or wrong password.");

    std::vector<std::string> records[9];
    int section = 0;
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty())
            continue;
        if (line[0] == '-') {
            section = LocationDatabase::sectionOfHeading(line);
            continue;
        }
        if (section == 0)
            return errorReply("The upload holds a line outside any section.");
        if (!plainText(line, true))
            return errorReply("A record line holds a control character.");
        if (section >= Countries) // networks and services are the server's own
            records[section].push_back(line);
    }

    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folder_);
    Guard guard(db.lock());
    UploadPlan plan(db);
    std::string error = plan.build(records);
    if (!error.empty())
        return errorReply(error);
    if (!plan.apply())
        return errorReply("The server could not store the records.");
    std::string out = "- nearbeam ok\n" + plan.reply.text();
    out += "- msg Thank you, " + user + ": " + std::to_string(plan.stored) + " record" +
           (plan.stored == 1 ? "" : "s") + " stored.\n";
    out += "- end\n";
    return out;
}

} // namespace nearbeam
