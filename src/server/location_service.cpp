#include "server/location_service.h"

#include "net/md5.h"
#include "server/protocol/line_fit.h"
#include "server/protocol/place_lines.h"
#include "server/protocol/scan_lines.h"
#include "server/storage/history.h"

#include "base/utc_time.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace nearbeam {
namespace {

// Verified logins are remembered this long, and at most this many.
constexpr std::chrono::minutes kVerifiedFor(5);
constexpr size_t kMaxVerified = 10000;
// Hashes checked at the same time, at most.
constexpr int kMaxHashing = 4;
// After a failed write, the health check tries one of its own at most this often.
constexpr std::chrono::seconds kWriteTryEvery(10);
// The account the health check's write adds and removes: no user can have its
// name (a control character).
const char kWriteTryUser[] = "\x01health check";

// The reply's sections: the named kinds, then the access points (kApSection),
// then the survey scans (kScanSection, last in a reply).
constexpr int kApSection = 7;
constexpr int kScanSection = 8;

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

// A record's line as the protocol sends it: the file line without its status.
std::string replyLine(const std::string& fileLine) {
    return fileLine.substr(0, fileLine.rfind('\t'));
}

// The reply's sections in the order a reader can resolve them (parents first).
struct Reply {
    std::vector<std::string> sections[9];
    void add(int section, std::string line) {
        for (const std::string& have : sections[section])
            if (have == line)
                return;
        sections[section].push_back(std::move(line));
    }
    void add(StoredKind kind, const StoredRecord& place) {
        add(static_cast<int>(kind), replyLine(storedFileLine(kind, place)));
    }
    std::string text() const {
        std::string out;
        for (int s = 0; s < 8; ++s) {
            const int section = s < 6    ? s
                                : s == 6 ? kApSection
                                         : static_cast<int>(StoredKind::Service);
            if (sections[section].empty())
                continue;
            out +=
                section == kApSection ? "- aps" : storedHeading(static_cast<StoredKind>(section));
            out += '\n';
            for (const std::string& line : sections[section])
                out += line + '\n';
        }
        if (!sections[kScanSection].empty()) {
            out += "- scans\n";
            for (const std::string& line : sections[kScanSection])
                out += line + '\n';
        }
        return out;
    }
};

// The upload dialog shows this line as it stands.
const char kCannotStore[] = "The map server cannot store records now; try again later.";

// No control characters but the tabs between fields: a line break or a NUL inside
// a text would break its line in the data files, or cut it short.
bool plainLine(std::string_view text) {
    for (char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
            return false;
    return true;
}

// The section a heading of an upload opens: a named kind, kApSection,
// kScanSection, or -1.
int sectionOfHeading(const std::string& line) {
    for (StoredKind kind : kStoredKinds)
        if (line == storedHeading(kind))
            return static_cast<int>(kind);
    return line == "- aps" ? kApSection : line == "- scans" ? kScanSection : -1;
}

StoredKind parentKind(StoredKind kind) {
    return kind == StoredKind::Province ? StoredKind::Country
           : kind == StoredKind::City   ? StoredKind::Province
                                        : StoredKind::City;
}

// One upload turned into server records, inside its transaction: identifiers
// mapped, records stored as they come, the reply's copies collected.
class UploadPlan {
  public:
    UploadPlan(Transaction& records, const std::string& user, std::time_t now)
        : records_(records), user_(user), now_(now) {}

    // False with `error` set when the upload is refused.
    bool run(const std::vector<std::string> (&lines)[9]) {
        if (!userServed(records_, user_))
            return refuse("This account may not upload; ask the map's keepers.");
        for (StoredKind kind : {StoredKind::Country, StoredKind::Province, StoredKind::City,
                                StoredKind::Area, StoredKind::Building})
            for (const std::string& line : lines[static_cast<int>(kind)])
                if (!planNamed(kind, line) || records_.failed())
                    return false;
        for (const std::string& line : lines[kApSection])
            if (!planAccessPoint(line) || records_.failed())
                return false;
        const auto building = [this](uint32_t id) {
            return mapReference(StoredKind::Building, id, false);
        };
        std::vector<std::string>& scans = reply.sections[kScanSection];
        if (!lines[kScanSection].empty() && uploadId() == 0)
            return false;
        if (!storeUploadedScans(records_, lines[kScanSection], ScanUpload{user_, upload_, now_},
                                building, scans, error))
            return false;
        storedScans = scans.size();
        // The history's entry, counted; none for an upload that changed nothing.
        if (upload_ == 0)
            return !records_.failed();
        return records_.updateUpload(
            UploadEntry{upload_, user_, utcTimeText(now_), stored, storedScans, false});
    }

    Reply reply;
    size_t stored = 0;
    size_t storedScans = 0;
    std::string error;

  private:
    bool refuse(const std::string& reason) {
        error = reason;
        return false;
    }
    // A refusal naming the record by its line.
    bool refuse(const std::string& reason, const std::string& line) {
        return refuse(reason + ": " + quotedLine(line));
    }

    // This upload's number in the history, made when it first stores something; 0
    // when the storage failed.
    uint64_t uploadId() {
        if (upload_ == 0)
            upload_ = records_.newUpload(user_, utcTimeText(now_));
        return upload_;
    }

    // The server identifier for a reference: a record of this upload, or one the
    // server has. None for a reference to nothing.
    std::optional<uint32_t> mapReference(StoredKind kind, uint32_t id, bool zeroAllowed) {
        if (id == 0)
            return zeroAllowed ? std::optional<uint32_t>(0) : std::nullopt;
        const auto& map = idMap_[static_cast<int>(kind)];
        auto it = map.find(id);
        if (it != map.end())
            return it->second;
        if (id < kLocalIdsFrom && records_.find(kind, id))
            return id;
        return std::nullopt;
    }

    bool planNamed(StoredKind kind, const std::string& line) {
        if (std::string problem = placeFieldsProblem(kind, line); !problem.empty())
            return refuse(problem, line);
        std::optional<StoredRecord> uploaded = storedFromLine(kind, line);
        if (!uploaded || !plainName(uploaded->name))
            return refuse("A record line could not be read", line);
        StoredRecord place = *uploaded;
        place.parent = 0;
        if (kind != StoredKind::Country) {
            auto parent = mapReference(parentKind(kind), uploaded->parent, false);
            if (!parent)
                return refuse("A record refers to a place the server does not know", line);
            place.parent = *parent;
        }
        if (kind == StoredKind::Building) {
            auto area = mapReference(StoredKind::Area, uploaded->area, true);
            if (!area)
                return refuse("A building refers to an area the server does not know", line);
            place.area = *area;
        }
        uint32_t& mapped = idMap_[static_cast<int>(kind)][uploaded->id];
        if (uploaded->id >= kLocalIdsFrom || !records_.find(kind, uploaded->id)) {
            // A new place; one the server has already under that name is the
            // user's too, and the user gets its copy.
            if (auto existing = records_.findNamed(kind, place.parent, place.area, place.name)) {
                mapped = existing->id;
                reply.add(kind, *existing);
                return true;
            }
            place.id = records_.newId(kind);
            if (place.id == 0)
                return false;
        } // else a server record changed by the user: the new text replaces it
        if (std::string problem = placeLengthProblem(kind, place); !problem.empty())
            return refuse(problem, line);
        mapped = place.id;
        if (uploadId() == 0 || !notePlaceVersion(records_, upload_, kind, place) ||
            !records_.put(kind, place))
            return false;
        reply.add(kind, place);
        ++stored;
        return true;
    }

    bool planAccessPoint(const std::string& line) {
        if (std::string problem = accessPointFieldsProblem(line); !problem.empty())
            return refuse(problem, line);
        std::optional<AccessPoint> point = accessPointFromLine(line);
        if (!point)
            return refuse("An access point line could not be read", line);
        auto building = mapReference(StoredKind::Building, point->building, false);
        if (!building)
            return refuse("An access point refers to a building the server does not know", line);
        point->building = *building;
        if (point->network != 0 && !records_.find(StoredKind::Network, point->network))
            point->network = 0; // networks come only from the server
        if (std::string problem = accessPointLengthProblem(*point); !problem.empty())
            return refuse(problem, line);
        if (uploadId() == 0 || !noteAccessPointVersion(records_, upload_, *point) ||
            !records_.putAccessPoint(*point))
            return false;
        // An access point named twice in one upload: the later line wins, in the
        // storage and in the reply, and it is counted once.
        const std::string prefix = bssidText(point->bssid) + "\t";
        std::vector<std::string>& replied = reply.sections[kApSection];
        auto samePoint = [&](const std::string& have) { return have.rfind(prefix, 0) == 0; };
        const auto end = std::remove_if(replied.begin(), replied.end(), samePoint);
        const bool again = end != replied.end();
        replied.erase(end, replied.end());
        reply.add(kApSection, replyLine(accessPointFileLine(*point)));
        stored += again ? 0 : 1;
        return true;
    }

    Transaction& records_;
    const std::string& user_;
    const std::time_t now_;
    uint64_t upload_ = 0;
    std::map<uint32_t, uint32_t> idMap_[5];
};

} // namespace

LocationService::LocationService(Storage& storage, Clock clock)
    : storage_(storage), clock_(clock ? std::move(clock) : [] { return std::time(nullptr); }),
      unknownUserHash_(storage.hasher().hash("no account has this token")) {}

std::string LocationService::downloadText(const std::string& bssid, bool withScans) {
    return download(bssid, withScans).text;
}

DownloadReply LocationService::download(const std::string& bssid, bool withScans) {
    DownloadReply out;
    auto key = bssidNumber(bssid);
    if (!key) {
        out.badAddress = true;
        return out;
    }
    Reply reply;
    bool known = false;
    std::string error;
    const bool read = storage_.readOnce(
        [&](Transaction& r) {
            const DownloadRecords found =
                r.downloadRecords(*key, withScans ? kMaxScansPerDownload : 0);
            if (!found.point)
                return;
            known = true;
            reply.add(kApSection, replyLine(accessPointFileLine(*found.point)));
            const std::pair<StoredKind, const std::optional<StoredRecord>*> places[] = {
                {StoredKind::Network, &found.network},   {StoredKind::Building, &found.building},
                {StoredKind::Area, &found.area},         {StoredKind::City, &found.city},
                {StoredKind::Province, &found.province}, {StoredKind::Country, &found.country}};
            for (const auto& [kind, place] : places)
                if (*place)
                    reply.add(kind, **place);
            for (const StoredRecord& service : found.services)
                reply.add(StoredKind::Service, service);
            reply.sections[kScanSection] = servedScanLines(found.scans);
        },
        error);
    if (!read) {
        out.failed = true;
        return out;
    }
    out.text = known ? reply.text() + "- end\n" : "- end\n";
    return out;
}

bool LocationService::checkLogin(const std::string& user, const std::string& token,
                                 bool& storageFailed) {
    std::optional<std::string> hash;
    std::string error;
    storageFailed = !storage_.read([&](Transaction& r) { hash = r.tokenHash(user); }, error);
    if (storageFailed)
        return false;
    // A user without an account is checked against a hash all the same, so that
    // how long a refusal takes does not tell who has an account.
    const std::string& checked = hash ? *hash : unknownUserHash_;
    const std::string key = md5Hex(checked + "\n" + token);
    std::unique_lock<std::mutex> lock(cacheMutex_);
    auto remembered = [&] {
        auto it = verified_.find(key);
        return it != verified_.end() &&
               std::chrono::steady_clock::now() - it->second < kVerifiedFor;
    };
    hashSlot_.wait(lock, [&] { return hashing_ < kMaxHashing || remembered(); });
    if (remembered())
        return true;
    ++hashing_;
    lock.unlock();
    const bool good = storage_.hasher().verify(checked, token) && hash.has_value();
    lock.lock();
    --hashing_;
    if (good) {
        const auto now = std::chrono::steady_clock::now();
        if (verified_.size() >= kMaxVerified) {
            for (auto it = verified_.begin(); it != verified_.end();)
                it = now - it->second >= kVerifiedFor ? verified_.erase(it) : std::next(it);
            if (verified_.size() >= kMaxVerified)
                verified_.clear();
        }
        verified_[key] = now;
    }
    hashSlot_.notify_all();
    return good;
}

std::string errorReply(const std::string& reason) {
    return "- error " + reason + "\n- end\n";
}

Upload readUpload(const std::string& body) {
    Upload out;
    std::vector<std::string> lines = splitLines(body);
    if (lines.size() < 3 || lines[0] != "- login")
        return out;
    out.loginGiven = true;
    out.user = lines[1];
    out.token = lines[2];
    int section = -1;
    for (size_t i = 3; i < lines.size() && out.unreadable.empty(); ++i) {
        const std::string& line = lines[i];
        if (line.empty())
            continue;
        if (line[0] == '-') {
            section = sectionOfHeading(line);
            continue;
        }
        if (section < 0)
            out.unreadable = "The upload holds a line outside any section.";
        else if (!plainLine(line))
            out.unreadable = "A record line holds a control character.";
        // Networks and services are the server's own.
        else if (section != static_cast<int>(StoredKind::Network) &&
                 section != static_cast<int>(StoredKind::Service))
            out.sections[section].push_back(line);
    }
    return out;
}

UploadReply LocationService::upload(const Upload& upload) {
    UploadReply out;
    if (!upload.loginGiven) {
        out.text = errorReply("The upload did not begin with a login.");
        return out;
    }
    bool storageFailed = false;
    if (!plainName(upload.user) || !checkLogin(upload.user, upload.token, storageFailed)) {
        out.loginFailed = !storageFailed;
        out.text =
            errorReply(storageFailed ? kCannotStore : "Unknown user name or wrong password.");
        return out;
    }
    if (!upload.unreadable.empty()) {
        out.text = errorReply(upload.unreadable);
        return out;
    }

    Reply reply;
    size_t stored = 0, scans = 0;
    std::string refusal, error;
    const bool committed = storage_.write(
        [&](Transaction& r) {
            UploadPlan plan(r, upload.user, clock_());
            const bool good = plan.run(upload.sections);
            refusal = plan.error;
            reply = std::move(plan.reply);
            stored = plan.stored;
            scans = plan.storedScans;
            return good;
        },
        error);
    // A storage that failed is the answer even when the records were refused on
    // the way: a look-up that failed reads as a record the server does not know.
    if (!committed && (!error.empty() || refusal.empty())) {
        noteWrite(error.empty() ? "the storage failed" : error);
        out.text = errorReply(kCannotStore);
        return out;
    }
    if (!committed) {
        out.text = errorReply(refusal);
        return out;
    }
    noteWrite({});
    std::string counted = std::to_string(stored) + " record" + (stored == 1 ? "" : "s");
    if (scans > 0)
        counted += " and " + std::to_string(scans) + " scan" + (scans == 1 ? "" : "s");
    out.stored = true;
    out.text = "- nearbeam ok\n" + reply.text() + "- msg Thank you, " + upload.user + ": " +
               counted + " stored.\n- end\n";
    return out;
}

std::string LocationService::healthProblem() {
    std::string error;
    if (!storage_.read([](Transaction& r) { r.find(StoredKind::Country, 1); }, error))
        return "The storage does not answer: " + error;
    std::unique_lock<std::mutex> lock(healthMutex_);
    const auto now = std::chrono::steady_clock::now();
    if (!writeFailure_.empty() && !tryingWrite_ && now - lastWriteTry_ >= kWriteTryEvery) {
        // A load balancer sends no upload to a server it finds unhealthy: the check
        // itself finds out when the storage takes writes again.
        tryingWrite_ = true;
        lastWriteTry_ = now;
        lock.unlock();
        const std::string failure = tryWrite();
        lock.lock();
        tryingWrite_ = false;
        writeFailure_ = failure;
    }
    if (!writeFailure_.empty())
        return "The storage failed to store the last upload, and none has been stored since: " +
               writeFailure_;
    return {};
}

std::string LocationService::tryWrite() {
    // Stored and removed in one transaction that is committed: SQLite writes nothing
    // of a transaction rolled back, which would prove nothing about the disk.
    std::string error;
    const bool stored = storage_.write(
        [](Transaction& r) { return r.putUser(kWriteTryUser, "-") && r.removeUser(kWriteTryUser); },
        error);
    return stored ? std::string() : error.empty() ? "the storage failed" : error;
}

void LocationService::noteWrite(const std::string& failure) {
    std::lock_guard<std::mutex> lock(healthMutex_);
    writeFailure_ = failure;
    if (!failure.empty())
        lastWriteTry_ = std::chrono::steady_clock::now();
}

} // namespace nearbeam
