#pragma once
// Survey scans indexed by access point, so that a query touches only the scans
// that share an access point with what is heard. Built from scans, queried with
// a heard list; it reads no file and takes no lock (its owner does both).

#include "records/place_key.h"
#include "survey/heard_access_point.h"
#include "survey/scan_comparison.h"
#include "survey/survey_scan.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace nearbeam {

class ScanIndex {
  public:
    // Takes a scan in; one without readings is passed over.
    void add(const SurveyScan& scan);
    void add(uint32_t buildingId, std::string_view floor, std::string_view location,
             const std::vector<PackedReading>& readings);
    void clear();
    size_t size() const { return scanPlaces_.size(); }
    // Whether any scan heard the access point.
    bool knows(const BssidKey& bssid) const;

    struct Neighbour {
        const PlaceKey* place; // valid until the index is cleared
        double distance;
    };
    // The closest scans (at most settings.neighbours, closest first) among those
    // that share an access point with heard. Signals are compared on the scale of
    // scaledSignal by the Bray-Curtis distance: the sum of the differences over
    // the sum of the values, 0 for the same readings, 1 for nothing in common. An
    // access point heard on one side only counts as settings.notHeard on the
    // other. Only the stored scans' strongest settings.comparedReadings readings
    // take part. Not for two queries at once: they share the scratch space.
    std::vector<Neighbour> nearest(const std::vector<HeardAccessPoint>& heard,
                                   const ScanComparison& settings) const;

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

    // The posting list of an access point, made when it has none.
    std::vector<Posting>& postingsOf(uint64_t address);
    const Scaled& scaled(const ScanComparison& settings) const;

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
