#include "survey/scan_store.h"

#include "records/data_file.h"

#include <algorithm>

namespace nearbeam {

void ScanStore::setPath(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    path_ = path;
    clearLocked();
}

void ScanStore::clearLocked() {
    stamp_ = FileStamp();
    readTo_ = 0;
    lastLine_.clear();
    lastLineOffset_ = 0;
    index_.clear();
}

std::string ScanStore::refresh(const BuildingCheck& knownBuilding) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (path_.empty())
        return {};
    const FileStamp stamp = fileStamp(path_);
    if (stamp == stamp_)
        return {};
    stamp_ = stamp;
    if (stamp.size > maxFileBytes_) {
        const bool told = refused_;
        const FileStamp kept = stamp_;
        clearLocked();
        stamp_ = kept;
        refused_ = true;
        if (told)
            return {};
        return "scans.txt holds " + std::to_string(stamp.size / (1024 * 1024)) +
               " MB, more than the " + std::to_string(maxFileBytes_ / (1024 * 1024)) +
               " MB read: the survey scans are not used";
    }
    refused_ = false;
    // An append leaves every line read so far where it was.
    bool appended =
        readTo_ > 0 && static_cast<uint64_t>(std::max<int64_t>(stamp.size, 0)) >= readTo_;
    if (appended) {
        datafile::LineReader reader(path_, lastLineOffset_);
        std::string_view line;
        appended = reader.next(line) && line == lastLine_;
    }
    if (!appended) {
        const FileStamp kept = stamp_;
        clearLocked();
        stamp_ = kept;
    }
    readFrom(readTo_, knownBuilding);
    return {};
}

bool ScanStore::readFrom(uint64_t offset, const BuildingCheck& knownBuilding) {
    datafile::LineReader reader(path_, offset);
    if (!reader.isOpen())
        return false;
    std::map<uint32_t, bool> checked;
    ScanLineReader scan;
    std::string_view line;
    while (reader.next(line)) {
        lastLineOffset_ = reader.lineOffset();
        lastLine_.assign(line);
        if (!scan.read(line))
            continue;
        const ScanLineHead& head = scan.head();
        if (knownBuilding) {
            auto found = checked.find(head.buildingId);
            if (found == checked.end())
                found = checked.emplace(head.buildingId, knownBuilding(head.buildingId)).first;
            if (!found->second)
                continue;
        }
        index_.add(head.buildingId, head.floor, head.location, scan.readings());
    }
    readTo_ = reader.offset();
    return true;
}

void ScanStore::add(const SurveyScan& scan) {
    std::lock_guard<std::mutex> guard(mutex_);
    index_.add(scan);
}

bool ScanStore::append(const SurveyScan& scan) {
    if (scan.buildingId == 0 || scan.readings.empty())
        return false;
    std::string line = formatScanLine(scan);
    line.pop_back();
    std::lock_guard<std::mutex> guard(mutex_);
    if (path_.empty())
        return false;
    const FileStamp before = fileStamp(path_);
    if (!datafile::appendLine(path_, line))
        return false;
    if (before != stamp_ || refused_)
        return true; // the next refresh reads the file, this line with it
    // The store had read the whole file: the new line follows the last one read.
    lastLineOffset_ = readTo_;
    lastLine_ = line + "\n";
    readTo_ += line.size() + 2;
    stamp_ = fileStamp(path_);
    index_.add(scan);
    return true;
}

size_t ScanStore::size() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return index_.size();
}

void ScanStore::markSurveyed(std::vector<HeardAccessPoint>& heard) const {
    std::lock_guard<std::mutex> guard(mutex_);
    for (HeardAccessPoint& ap : heard)
        ap.surveyed = ap.surveyed || index_.knows(ap.bssid);
}

std::vector<ScanIndex::Neighbour> ScanStore::nearest(const std::vector<HeardAccessPoint>& heard,
                                                     const ScanComparison& settings) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return index_.nearest(heard, settings);
}

} // namespace nearbeam
