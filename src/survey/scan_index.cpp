#include "survey/scan_index.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace nearbeam {

namespace {

uint64_t keyNumber(const BssidKey& key) {
    uint64_t number = 0;
    for (size_t i = 0; i < BssidKey::kLength; ++i) {
        const char c = key.digits[i];
        number = number * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    return number;
}

std::vector<PackedReading> packed(const std::vector<ScanReading>& readings) {
    std::vector<PackedReading> out;
    out.reserve(readings.size());
    for (const ScanReading& reading : readings)
        out.push_back(PackedReading{keyNumber(reading.bssid), reading.rssi});
    return out;
}

int32_t clampSignal(int32_t signal) {
    return std::clamp(signal, kWeakestScanSignal, kStrongestScanSignal);
}

} // namespace

double scaledSignal(int32_t signal, const ScanComparison& settings) {
    if (signal <= settings.notHeard || settings.notHeard >= 0)
        return 0.0;
    const double share = static_cast<double>(signal - settings.notHeard) / -settings.notHeard;
    return std::pow(std::min(share, 1.0), settings.strength);
}

void ScanIndex::add(const SurveyScan& scan) {
    add(scan.buildingId, scan.floor, scan.location, packed(scan.readings));
}

bool ScanIndex::knows(const BssidKey& bssid) const {
    return postings_.count(keyNumber(bssid)) > 0;
}

void ScanIndex::clear() {
    placeIndex_.clear();
    places_.clear();
    lastPlace_ = nullptr;
    scanPlaces_.clear();
    postings_.clear();
    recent_.clear();
    scaled_ = Scaled();
}

void ScanIndex::add(uint32_t buildingId, std::string_view floor, std::string_view location,
                    const std::vector<PackedReading>& readings) {
    if (readings.empty())
        return;
    // Scans of one place mostly come together: the last place is tried first.
    const bool samePlace = !places_.empty() && scanPlaces_.size() > 0 &&
                           lastPlace_->buildingId == buildingId && lastPlace_->floor == floor &&
                           lastPlace_->location == location;
    uint32_t placeNumber = scanPlaces_.empty() ? 0 : scanPlaces_.back();
    if (!samePlace) {
        auto found = placeIndex_.find(std::make_tuple(buildingId, floor, location));
        if (found == placeIndex_.end()) {
            places_.push_back(std::make_unique<PlaceKey>(
                PlaceKey{buildingId, std::string(floor), std::string(location)}));
            const PlaceKey& place = *places_.back();
            found = placeIndex_
                        .emplace(std::make_tuple(buildingId, std::string_view(place.floor),
                                                 std::string_view(place.location)),
                                 static_cast<uint32_t>(places_.size() - 1))
                        .first;
        }
        placeNumber = found->second;
        lastPlace_ = places_[placeNumber].get();
    }
    const uint32_t index = static_cast<uint32_t>(scanPlaces_.size());
    scanPlaces_.push_back(placeNumber);
    // The rank of each reading, strongest first (in the scan's order on a tie),
    // counted by signal level.
    std::array<uint32_t, kStrongestScanSignal - kWeakestScanSignal + 2> next{};
    for (const PackedReading& reading : readings)
        ++next[static_cast<size_t>(kStrongestScanSignal - clampSignal(reading.rssi) + 1)];
    for (size_t level = 1; level < next.size(); ++level)
        next[level] += next[level - 1];
    for (const PackedReading& reading : readings) {
        const int32_t signal = clampSignal(reading.rssi);
        const uint32_t rank = next[static_cast<size_t>(kStrongestScanSignal - signal)]++;
        // Field by field, as a struct built on the stack and copied in stalls.
        Posting& posting = postingsOf(reading.address).emplace_back();
        posting.scan = index;
        posting.signal = static_cast<int8_t>(signal);
        posting.rank = static_cast<uint8_t>(std::min(rank, 255u));
    }
    scaled_.sums.clear(); // computed again at the next comparison
}

std::vector<ScanIndex::Posting>& ScanIndex::postingsOf(uint64_t address) {
    if (recent_.empty())
        recent_.resize(kRecentLists);
    RecentList& recent = recent_[(address * 0x9e3779b97f4a7c15u) >> 54];
    if (!recent.list || recent.address != address)
        recent = RecentList{address, &postings_[address]}; // stays put while the map grows
    return *recent.list;
}

const ScanIndex::Scaled& ScanIndex::scaled(const ScanComparison& settings) const {
    if (scaled_.notHeard == settings.notHeard && scaled_.exponent == settings.strength &&
        scaled_.compared == settings.comparedReadings && scaled_.sums.size() == scanPlaces_.size())
        return scaled_;
    scaled_.notHeard = settings.notHeard;
    scaled_.exponent = settings.strength;
    scaled_.compared = settings.comparedReadings;
    scaled_.values.assign(-kWeakestScanSignal + 1, 0.0f);
    for (int32_t signal = kWeakestScanSignal; signal <= kStrongestScanSignal; ++signal)
        scaled_.values[-signal] = static_cast<float>(scaledSignal(signal, settings));
    scaled_.sums.assign(scanPlaces_.size(), 0.0f);
    for (const auto& [key, postings] : postings_) {
        for (const Posting& posting : postings) {
            if (posting.rank < scaled_.compared)
                scaled_.sums[posting.scan] += scaled_.values[-posting.signal];
        }
    }
    return scaled_;
}

std::vector<ScanIndex::Neighbour> ScanIndex::nearest(const std::vector<HeardAccessPoint>& heard,
                                                     const ScanComparison& settings) const {
    std::vector<Neighbour> out;
    if (scanPlaces_.empty() || settings.neighbours < 1)
        return out;
    const Scaled& scale = scaled(settings);
    overlaps_.resize(scanPlaces_.size(), 0.0f);
    touched_.clear();
    // Σ|q - s| = Σq + Σs - 2 Σmin(q, s), where only the shared access points add
    // to the last sum.
    double heardSum = 0;
    for (const HeardAccessPoint& ap : heard) {
        const float value = scale.values[-clampSignal(ap.signal)];
        heardSum += value;
        const auto found = postings_.find(keyNumber(ap.bssid));
        if (found == postings_.end() || value == 0.0f)
            continue;
        for (const Posting& posting : found->second) {
            const float other = scale.values[-posting.signal];
            if (posting.rank >= scale.compared || other == 0.0f)
                continue;
            if (overlaps_[posting.scan] == 0.0f)
                touched_.push_back(posting.scan);
            overlaps_[posting.scan] += std::min(value, other);
        }
    }
    std::vector<std::pair<double, uint32_t>> candidates;
    candidates.reserve(touched_.size());
    for (uint32_t scan : touched_) {
        const double distance = 1.0 - 2.0 * overlaps_[scan] / (heardSum + scale.sums[scan]);
        candidates.emplace_back(std::max(distance, 0.0), scan);
        overlaps_[scan] = 0.0f;
    }
    const size_t count = std::min(candidates.size(), static_cast<size_t>(settings.neighbours));
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<ptrdiff_t>(count),
                      candidates.end());
    for (size_t i = 0; i < count; ++i) {
        out.push_back(
            Neighbour{places_[scanPlaces_[candidates[i].second]].get(), candidates[i].first});
    }
    return out;
}

} // namespace nearbeam
