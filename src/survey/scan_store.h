#pragma once
// The survey scans of scans.txt in memory (a ScanIndex), under a lock of its own.
//
// The store follows its file: lines appended since the last look are read on
// their own, a file replaced or shortened is read again whole. Damaged lines, and
// scans of a building the records do not know, are passed over. A file larger
// than the limit is not read at all, and the store says so once.

#include "base/file_ops.h"
#include "survey/scan_index.h"
#include "survey/survey_scan.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace nearbeam {

class ScanStore {
  public:
    static constexpr int64_t kMaxFileBytes = 64 * 1024 * 1024;

    // Whether the records know a building (for scans read from the file).
    using BuildingCheck = std::function<bool(uint32_t buildingId)>;

    explicit ScanStore(int64_t maxFileBytes = kMaxFileBytes) : maxFileBytes_(maxFileBytes) {}
    ScanStore(const ScanStore&) = delete;
    ScanStore& operator=(const ScanStore&) = delete;

    // The file to follow; forgets every scan. Empty: none.
    void setPath(const std::string& path);
    const std::string& path() const { return path_; }

    // Brings the store up to date with its file. Returns a message for the user
    // when the file is refused (once per refusal), otherwise an empty text.
    std::string refresh(const BuildingCheck& knownBuilding = {});

    // Takes a scan into memory only.
    void add(const SurveyScan& scan);
    // Appends the scan's line to the file and takes it in (or leaves that to the
    // next refresh, when the file changed since the last). False, with nothing
    // written, when the file could not be written or the scan has no building or
    // no access point.
    bool append(const SurveyScan& scan);

    size_t size() const;
    // Marks the access points in heard that a stored scan heard (surveyed).
    void markSurveyed(std::vector<HeardAccessPoint>& heard) const;

    using Neighbour = ScanIndex::Neighbour;
    // ScanIndex::nearest over the scans read so far.
    std::vector<Neighbour> nearest(const std::vector<HeardAccessPoint>& heard,
                                   const ScanComparison& settings) const;

  private:
    void clearLocked();
    bool readFrom(uint64_t offset, const BuildingCheck& knownBuilding);

    mutable std::mutex mutex_;
    int64_t maxFileBytes_;
    std::string path_;
    FileStamp stamp_;
    uint64_t readTo_ = 0;         // just past the last whole line read
    std::string lastLine_;        // and that line, to tell an append from a rewrite
    uint64_t lastLineOffset_ = 0; // where it begins
    bool refused_ = false;
    ScanIndex index_;
};

} // namespace nearbeam
