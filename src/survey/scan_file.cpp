#include "survey/scan_file.h"

#include "base/file_ops.h"
#include "records/data_file.h"
#include "records/record_lines.h"

#include <algorithm>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

namespace {

// A scan line as the file keeps it, without its line break.
std::string fileText(const SurveyScan& scan) {
    return std::string(datafile::lineText(formatScanLine(scan)));
}

} // namespace

void ScanFile::setFolder(const std::string& folder) {
    Guard guard(lock_);
    folder_ = folder;
    loaded_ = false;
    fetched_.clear();
    heard_.clear();
}

std::string ScanFile::path() const {
    Guard guard(lock_);
    return folder_.empty() ? std::string() : folder_ + kFileName;
}

std::string ScanFile::fetchedPath() const {
    return folder_.empty() ? std::string() : folder_ + kFetchedFileName;
}

ScanFile::Upload
ScanFile::collectUpload(const std::function<bool(const BssidKey&)>& optedOut) const {
    Guard guard(lock_);
    Upload upload;
    datafile::LineReader reader(path());
    std::string_view line;
    while (reader.next(line)) {
        std::optional<SurveyScan> scan = parseScanLine(line);
        if (!scan || scan->status == record_status::Server)
            continue;
        auto& readings = scan->readings;
        readings.erase(std::remove_if(readings.begin(), readings.end(),
                                      [&](const ScanReading& r) { return optedOut(r.bssid); }),
                       readings.end());
        if (readings.empty())
            continue;
        upload.wireLines += formatScanWireLine(*scan);
        upload.sentLines.emplace_back(datafile::lineText(line));
    }
    return upload;
}

bool ScanFile::replaceUploaded(const std::vector<std::string>& sentLines,
                               const std::vector<std::string>& serverLines) {
    Guard guard(lock_);
    if (sentLines.empty() && serverLines.empty())
        return true;
    const std::string file = path();
    // A line saved twice was sent twice: each sent copy takes one line away.
    std::multiset<std::string_view> sent(sentLines.begin(), sentLines.end());
    std::optional<std::string> kept = datafile::linesWhere(file, [&](std::string_view text) {
        auto it = sent.find(text);
        if (it == sent.end())
            return true;
        sent.erase(it);
        return false;
    });
    if (!kept && !sentLines.empty())
        return false;
    std::string bytes = kept.value_or(std::string());
    for (const std::string& line : serverLines) {
        std::optional<SurveyScan> scan = parseScanWireLine(line);
        if (!scan)
            continue;
        bytes += fileText(*scan) + "\r\n";
        if (loaded_)
            for (const ScanReading& reading : scan->readings)
                heard_.insert(reading.bssid);
    }
    return replaceFileContent(file, bytes);
}

std::optional<size_t> ScanFile::movePlace(const PlaceKey& from, const PlaceKey& to) {
    Guard guard(lock_);
    const std::string file = path();
    size_t moved = 0;
    std::string bytes;
    {
        // Closed before the replace: Windows replaces no file that is open.
        datafile::LineReader reader(file);
        ScanLineReader head;
        std::string_view line;
        while (reader.next(line)) {
            std::optional<SurveyScan> scan;
            if (head.read(line) && head.head().buildingId == from.buildingId &&
                head.head().floor == from.floor && head.head().location == from.location)
                scan = parseScanLine(line);
            if (scan) {
                scan->buildingId = to.buildingId;
                scan->floor = to.floor;
                scan->location = to.location;
                scan->status = record_status::Local;
                bytes += fileText(*scan);
                ++moved;
            } else {
                bytes += datafile::lineText(line);
            }
            bytes += "\r\n";
        }
    }
    if (moved > 0 && !replaceFileContent(file, bytes))
        return std::nullopt;
    return moved;
}

void ScanFile::loadFetched() const {
    if (loaded_)
        return;
    loaded_ = true;
    datafile::LineReader fetched(fetchedPath());
    std::string_view line;
    while (fetched.next(line)) {
        if (const uint32_t id = readIdentifier(line))
            fetched_.insert(id);
    }
    datafile::LineReader scans(path());
    while (scans.next(line)) {
        std::optional<SurveyScan> scan = parseScanLine(line);
        if (scan && scan->status == record_status::Server)
            for (const ScanReading& reading : scan->readings)
                heard_.insert(reading.bssid);
    }
}

bool ScanFile::fetched(uint32_t building) const {
    Guard guard(lock_);
    loadFetched();
    return fetched_.count(building) != 0;
}

bool ScanFile::heardInFetchedScans(const BssidKey& key) const {
    Guard guard(lock_);
    loadFetched();
    return heard_.count(key) != 0;
}

size_t ScanFile::addFetched(uint32_t building, const std::vector<std::string>& serverLines) {
    Guard guard(lock_);
    loadFetched();
    if (building == 0 || folder_.empty() || fetched_.count(building))
        return 0;
    std::string bytes;
    std::vector<BssidKey> heard;
    size_t added = 0;
    for (const std::string& line : serverLines) {
        std::optional<SurveyScan> scan = parseScanWireLine(line);
        if (!scan || scan->buildingId != building)
            continue;
        bytes += fileText(*scan) + "\r\n";
        for (const ScanReading& reading : scan->readings)
            heard.push_back(reading.bssid);
        ++added;
    }
    // The scans first: a crash between the two writes fetches the building again
    // rather than leaving it marked without its scans.
    if (!bytes.empty() && !datafile::appendBytes(path(), bytes))
        return 0;
    if (!datafile::appendLine(fetchedPath(), std::to_string(building)))
        return 0;
    fetched_.insert(building);
    heard_.insert(heard.begin(), heard.end());
    return added;
}

void ScanFile::clear() {
    Guard guard(lock_);
    if (folder_.empty())
        return;
    const std::string file = path();
    const std::optional<std::string> local = datafile::linesWhere(file, [](std::string_view text) {
        const std::optional<SurveyScan> scan = parseScanLine(text);
        return !scan || scan->status != record_status::Server;
    });
    if (local && local->empty())
        removeFile(file);
    else if (local)
        replaceFileContent(file, *local);
    removeFile(fetchedPath());
    loaded_ = false;
    fetched_.clear();
    heard_.clear();
}

} // namespace nearbeam
