#include "server/storage/folder_io.h"

#include "base/file_ops.h"
#include "net/md5.h"
#include "records/data_file.h"
#include "records/record_lines.h"
#include "server/protocol/line_fit.h"
#include "server/protocol/place_lines.h"
#include "server/protocol/scan_lines.h"
#include "server/storage/history_file.h"

#include <cctype>
#include <map>
#include <vector>

namespace nearbeam {
namespace {

std::string inFolder(const std::string& folder, const char* name) {
    if (folder.empty())
        return name;
    const char last = folder.back();
    return folder + (last == '/' || last == '\\' ? "" : "/") + name;
}

// Every line of a file with its line break removed, with its number; the last
// one even without its line break, as files kept by hand end. False when the
// file is not there. The bytes stay as they are stored: peers of every age read
// what they wrote.
template <typename Fn> bool forEachLine(const std::string& path, Fn&& fn) {
    datafile::LineReader reader(path, 0, datafile::LineText::AsStored);
    if (!reader.isOpen())
        return false;
    std::string_view line;
    size_t number = 0;
    while (reader.next(line))
        if (!fn(stripLineBreak(line), ++number))
            return true;
    if (!reader.unfinished().empty())
        fn(stripLineBreak(reader.unfinished()), ++number);
    return true;
}

bool isDigest(std::string_view text) {
    if (text.size() != 32)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// The status field of a record line (services have none: always the server's).
int32_t statusOf(StoredKind kind, std::string_view line) {
    switch (kind) {
    case StoredKind::Service:
        return 0;
    case StoredKind::Building:
        return parseRecordFields(RecordKind::Building, line).status;
    case StoredKind::Network:
        return parseRecordFields(RecordKind::Network, line).status;
    default: // provinces, cities and areas share one layout
        return parseRecordFields(
                   kind == StoredKind::Country ? RecordKind::Country : RecordKind::City, line)
            .status;
    }
}

} // namespace

bool importFolder(Storage& storage, const std::string& folder, std::string& error) {
    // The users first, outside the transaction: hashing takes its time.
    std::vector<std::pair<std::string, std::string>> users;
    std::string bad;
    forEachLine(inFolder(folder, "users.txt"), [&](std::string_view line, size_t number) {
        if (line.empty())
            return true;
        const size_t tab = line.find('\t');
        std::string name(line.substr(0, tab));
        std::string hash(tab == std::string_view::npos ? "" : line.substr(tab + 1));
        if (isDigest(hash)) { // the program's tokens are made of lower-case digits
            for (char& c : hash)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            hash = storage.hasher().hash(loginTokenFromDigest(hash));
        }
        if (!plainName(name) || hash.empty()) {
            bad = "users.txt line " + std::to_string(number) + ": the user cannot be read";
            return false;
        }
        users.emplace_back(std::move(name), std::move(hash));
        return true;
    });
    if (!bad.empty()) {
        error = bad;
        return false;
    }
    std::vector<std::string> historyText;
    forEachLine(inFolder(folder, "history.txt"), [&](std::string_view line, size_t) {
        historyText.emplace_back(line);
        return true;
    });
    HistoryFile history;
    if (!readHistoryLines(historyText, history, error))
        return false;

    auto load = [&](Transaction& r) {
        const std::map<uint64_t, UploadEntry> uploads = loadUploads(r, history);
        if (uploads.size() != history.uploads.size()) {
            if (!r.failed())
                bad = "history.txt lists an upload twice";
            return false;
        }
        // store(text) gives why the line cannot be stored, or empty once it is.
        auto readLine = [&](const char* file, std::string_view line, size_t number, auto&& store) {
            if (line.empty())
                return true;
            const std::string problem = store(line);
            if (problem.empty() || r.failed())
                return problem.empty();
            bad = std::string(file) + " line " + std::to_string(number) + ": " + problem;
            return false;
        };
        const std::string unreadable = "the record cannot be read";
        for (StoredKind kind : kStoredKinds) {
            const char* file = storedFileName(kind);
            forEachLine(inFolder(folder, file), [&](std::string_view line, size_t number) {
                return readLine(file, line, number, [&](std::string_view text) -> std::string {
                    if (std::string problem = placeFieldsProblem(kind, text); !problem.empty())
                        return problem;
                    if (statusOf(kind, text) != 0)
                        return {}; // made locally, never uploaded
                    auto place = storedFromLine(kind, text);
                    if (!place)
                        return unreadable;
                    if (std::string problem = placeLengthProblem(kind, *place); !problem.empty())
                        return problem;
                    return r.put(kind, *place) ? std::string() : unreadable;
                });
            });
            if (!bad.empty())
                return false;
        }
        forEachLine(inFolder(folder, "ap.txt"), [&](std::string_view line, size_t number) {
            return readLine("ap.txt", line, number, [&](std::string_view text) -> std::string {
                if (std::string problem = accessPointFieldsProblem(text); !problem.empty())
                    return problem;
                if (parseLocationFields(text).status != 0)
                    return {};
                auto point = accessPointFromLine(text);
                if (!point)
                    return unreadable;
                if (std::string problem = accessPointLengthProblem(*point); !problem.empty())
                    return problem;
                return r.putAccessPoint(*point) ? std::string() : unreadable;
            });
        });
        forEachLine(inFolder(folder, "scans.txt"), [&](std::string_view line, size_t number) {
            return readLine("scans.txt", line, number, [&](std::string_view text) -> std::string {
                const std::optional<SurveyScan> scan = parseScanLine(text);
                if (scan && scan->status != 0)
                    return {}; // made locally, never uploaded
                if (!scan)
                    return unreadable;
                UploadEntry upload; // none, unless the history names one
                if (auto it = history.scanUploads.find(number); it != history.scanUploads.end()) {
                    auto entry = uploads.find(it->second);
                    if (entry == uploads.end())
                        return "history.txt names an upload it does not list";
                    upload = entry->second;
                }
                const StoredScan stored = storedScanOfUpload(*scan, upload);
                if (std::string problem = scanLengthProblem(stored); !problem.empty())
                    return problem;
                return r.putScan(stored) ? std::string() : unreadable;
            });
        });
        for (const auto& [name, hash] : users)
            r.putUser(name, hash);
        if (bad.empty() && !loadHistory(r, history, uploads, bad) && bad.empty())
            return false;
        return bad.empty();
    };
    if (storage.write(load, error))
        return true;
    if (error.empty())
        error = bad;
    return false;
}

bool exportFolder(Storage& storage, const std::string& folder, std::string& error) {
    if (!makeFolder(folder)) {
        error = "cannot make the folder " + folder;
        return false;
    }
    std::vector<std::string> files[11]; // the kinds, ap.txt, users.txt, scans.txt, history.txt
    auto collect = [&](Transaction& r) {
        for (StoredKind kind : kStoredKinds)
            r.forEach(kind, [&](const StoredRecord& place) {
                files[static_cast<int>(kind)].push_back(
                    std::string(stripLineBreak(storedFileLine(kind, place))));
            });
        r.forEachAccessPoint([&](const AccessPoint& point) {
            files[7].push_back(std::string(stripLineBreak(accessPointFileLine(point))));
        });
        for (auto& [name, hash] : r.users())
            files[8].push_back(name + "\t" + hash);
        std::vector<uint64_t> scanUploads; // of each line of scans.txt
        r.forEachScan([&](const StoredScan& stored) {
            if (std::optional<SurveyScan> scan = surveyScanOf(stored)) {
                scan->status = 0;
                files[9].push_back(std::string(stripLineBreak(formatScanLine(*scan))));
                scanUploads.push_back(stored.upload);
            }
        });
        files[10] = historyLines(r, scanUploads);
    };
    if (!storage.read(collect, error))
        return false;
    for (int i = 0; i < 11; ++i) {
        const char* name = i < 7    ? storedFileName(kStoredKinds[i])
                           : i == 7 ? "ap.txt"
                           : i == 8 ? "users.txt"
                           : i == 9 ? "scans.txt"
                                    : "history.txt";
        if (!datafile::replaceLines(inFolder(folder, name), files[i])) {
            error = "cannot write " + inFolder(folder, name);
            return false;
        }
    }
    return true;
}

} // namespace nearbeam
