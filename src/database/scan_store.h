#pragma once
// The survey scans of scans.txt in memory, indexed by access point, so that a
// decision touches only the scans that share an access point with what is heard.
//
// The store follows its file: lines appended since the last look are read on
// their own, a file replaced or shortened is read again whole. Damaged lines, and
// scans of a building the records do not know, are passed over. A file larger
// than the limit is not read at all, and the store says so once.

#include "base/file_ops.h"
#include "database/place_decision.h"
#include "database/survey_scan.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
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

    struct Neighbour {
        const PlaceKey* place;
        double distance;
    };
    // The closest scans (at most settings.neighbours, closest first) among those
    // that share an access point with heard. Signals are compared on the scale of
    // scaledSignal by the Bray-Curtis distance: the sum of the differences over
    // the sum of the values, 0 for the same readings, 1 for nothing in common. An
    // access point heard on one side only counts as settings.notHeard on the
    // other. Only the stored scans' strongest settings.comparedReadings readings
    // take part.
    std::vector<Neighbour> nearest(const std::vector<HeardAccessPoint>& heard,
                                   const DecisionSettings& settings) const;

  private:
    struct Posting {
        uint32_t scan;
        int8_t signal;
        uint8_t rank; // 0 for the scan's strongest reading (at most 255)
    };
    struct Scaled {
        int32_t notHeard = 0;
        double exponent = 0;
        int32_t compared = 0;
        std::vector<float> values; // by -signal
        std::vector<float> sums;   // by scan: the sum of its compared values
    };

    void clearLocked();
    // The posting list of an access point, made when it has none.
    std::vector<Posting>& postingsOf(uint64_t address);
    void addLocked(uint32_t buildingId, std::string_view floor, std::string_view location,
                   const std::vector<PackedReading>& readings);
    bool readFrom(uint64_t offset, const BuildingCheck& knownBuilding);
    const Scaled& scaled(const DecisionSettings& settings) const;

    mutable std::mutex mutex_;
    int64_t maxFileBytes_;
    std::string path_;
    FileStamp stamp_;
    uint64_t readTo_ = 0;         // just past the last whole line read
    std::string lastLine_;        // and that line, to tell an append from a rewrite
    uint64_t lastLineOffset_ = 0; // where it begins
    bool refused_ = false;

    // By building, floor and location; the texts are those of places_, which
    // never move.
    std::map<std::tuple<uint32_t, std::string_view, std::string_view>, uint32_t> placeIndex_;
    std::vector<std::unique_ptr<PlaceKey>> places_;
    const PlaceKey* lastPlace_ = nullptr;
    std::vector<uint32_t> scanPlaces_; // by scan
    std::unordered_map<uint64_t, std::vector<Posting>> postings_;
    // The lists of the access points indexed lately, by a hash of the address
    // (1024 slots): scans of one area share most of theirs, and the map's lookup
    // was a fifth of the time of loading a large survey.
    struct RecentList {
        uint64_t address = 0;
        std::vector<Posting>* list = nullptr;
    };
    static constexpr size_t kRecentLists = 1024;
    std::vector<RecentList> recent_;

    mutable Scaled scaled_;
    mutable std::vector<float> overlaps_;
    mutable std::vector<uint32_t> touched_;
};

} // namespace nearbeam
