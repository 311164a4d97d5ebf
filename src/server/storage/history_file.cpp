#include "server/storage/history_file.h"

#include "server/protocol/scan_lines.h"
#include "server/storage/tab_fields.h"

namespace nearbeam {
namespace {

// The out-parameter form lets a line's checks read as one condition.
bool whole(const std::string& text, uint64_t& out) {
    const std::optional<uint64_t> number = wholeNumber(text);
    if (number)
        out = *number;
    return number.has_value();
}

std::string n(uint64_t value) {
    return std::to_string(value);
}

const char* flagName(UserFlag flag) {
    return flag == UserFlag::Keeper ? "keeper" : "blocked";
}

bool readLine(const std::string& line, HistoryFile& out) {
    const std::string what = line.substr(0, line.find('\t'));
    uint64_t a = 0, b = 0, c = 0, d = 0;
    if (what == "upload") {
        const auto f = tabFields(line, 7);
        if (f.size() != 7 || !whole(f[1], a) || !whole(f[4], b) || !whole(f[5], c) ||
            !whole(f[6], d) || a == 0 || d > 1 || f[2].empty())
            return false;
        out.uploads.push_back(UploadEntry{a, f[2], f[3], b, c, d == 1});
        return true;
    }
    if (what == "version") {
        const auto f = tabFields(line, 5);
        if (f.size() != 5 || !whole(f[1], a) || !whole(f[2], b) || !whole(f[3], c) ||
            b > static_cast<uint64_t>(kAccessPointRecord))
            return false;
        out.versions.push_back(RecordVersion{a, static_cast<int>(b), c, f[4]});
        return true;
    }
    if (what == "scan") {
        const auto f = tabFields(line, 3);
        if (f.size() != 3 || !whole(f[1], a) || !whole(f[2], b))
            return false;
        out.scanUploads[b] = a;
        return true;
    }
    if (what == "hidden") {
        const auto f = tabFields(line, 3);
        if (f.size() != 3 || !whole(f[1], a))
            return false;
        out.hidden.emplace_back(a, f[2]);
        return true;
    }
    if (what == "flag") {
        const auto f = tabFields(line, 3);
        if (f.size() != 3 || (f[2] != "keeper" && f[2] != "blocked"))
            return false;
        out.flags.emplace_back(f[1], f[2] == "keeper" ? UserFlag::Keeper : UserFlag::Blocked);
        return true;
    }
    return false;
}

} // namespace

bool readHistoryLines(const std::vector<std::string>& lines, HistoryFile& out, std::string& error) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && !readLine(lines[i], out)) {
            error = "history.txt line " + std::to_string(i + 1) + ": the line cannot be read";
            return false;
        }
    }
    return true;
}

std::vector<std::string> historyLines(Transaction& r, const std::vector<uint64_t>& scanUploads) {
    std::vector<std::string> out;
    const std::vector<UploadEntry> uploads = r.uploads(0, INT64_MAX);
    for (auto it = uploads.rbegin(); it != uploads.rend(); ++it)
        out.push_back("upload\t" + n(it->id) + "\t" + it->user + "\t" + it->time + "\t" +
                      n(it->records) + "\t" + n(it->scans) + "\t" + (it->withdrawn ? "1" : "0"));
    r.forEachVersion([&](const RecordVersion& v) {
        out.push_back("version\t" + n(v.upload) + "\t" + n(static_cast<uint64_t>(v.kind)) + "\t" +
                      n(v.key) + "\t" + v.content);
    });
    for (size_t i = 0; i < scanUploads.size(); ++i)
        if (scanUploads[i] != 0)
            out.push_back("scan\t" + n(scanUploads[i]) + "\t" + n(i + 1));
    r.forEachHiddenScan([&](const StoredScan& stored) {
        if (std::optional<SurveyScan> scan = surveyScanOf(stored)) {
            scan->status = 0;
            std::string line = formatScanLine(*scan);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            out.push_back("hidden\t" + n(stored.upload) + "\t" + line);
        }
    });
    for (UserFlag flag : {UserFlag::Keeper, UserFlag::Blocked})
        for (const std::string& user : r.flagged(flag))
            out.push_back("flag\t" + user + "\t" + flagName(flag));
    return out;
}

std::map<uint64_t, UploadEntry> loadUploads(Transaction& r, const HistoryFile& history) {
    std::map<uint64_t, UploadEntry> out;
    for (const UploadEntry& old : history.uploads) {
        UploadEntry entry = old;
        entry.id = r.newUpload(old.user, old.time);
        if (entry.id == 0 || !r.updateUpload(entry))
            break;
        out[old.id] = entry;
    }
    return out;
}

bool loadHistory(Transaction& r, const HistoryFile& history,
                 const std::map<uint64_t, UploadEntry>& uploads, std::string& error) {
    // A number no upload line gave is the file's fault; 0 (before any upload) stays.
    auto mapped = [&](uint64_t old) -> std::optional<UploadEntry> {
        if (old == 0)
            return UploadEntry{};
        auto it = uploads.find(old);
        if (it == uploads.end()) {
            error = "history.txt names upload " + n(old) + ", which it does not list";
            return std::nullopt;
        }
        return it->second;
    };
    for (const RecordVersion& v : history.versions) {
        const auto entry = mapped(v.upload);
        if (!entry || !r.putVersion({entry->id, v.kind, v.key, v.content}))
            return false;
    }
    for (const auto& [old, line] : history.hidden) {
        const auto entry = mapped(old);
        if (!entry)
            return false;
        const std::optional<SurveyScan> scan = parseScanLine(line);
        if (!scan) {
            error = "history.txt: a hidden scan cannot be read";
            return false;
        }
        if (!r.putScan(storedScanOfUpload(*scan, *entry)))
            return false;
    }
    for (const auto& [user, flag] : history.flags)
        if (!r.setFlag(user, flag, true))
            return false;
    for (const auto& [old, entry] : uploads)
        if ((entry.withdrawn || r.hasFlag(entry.user, UserFlag::Blocked)) &&
            !r.showScans(entry.id, false))
            return false;
    return !r.failed();
}

StoredScan storedScanOfUpload(const SurveyScan& scan, const UploadEntry& upload) {
    StoredScan stored = storedScanOf(scan, scan.buildingId, upload.user);
    stored.upload = upload.id;
    return stored;
}

} // namespace nearbeam
