#include "wireless/scan_table.h"

#include <algorithm>

namespace nearbeam {

namespace {

// One smoothing step: n = (s*w + r) / (w + 1), truncated towards zero (C++ integer
// division); a target below the average always moves it down by at least 1.
// Computed in 64 bits so no reading or weight can overflow.
int32_t smooth(int32_t s, int32_t r, int32_t w) {
    const int64_t divisor = int64_t{w} + 1;
    const int64_t n = divisor == 0 ? r : (int64_t{s} * w + r) / divisor;
    int64_t d = n - s;
    if (s > r && d == 0) {
        d = -1;
    }
    const int64_t result = int64_t{s} + d;
    return static_cast<int32_t>(std::clamp<int64_t>(result, INT32_MIN, INT32_MAX));
}

} // namespace

AccessPointEntry::AccessPointEntry(const Bssid& bssid, int32_t reading, int32_t time)
    : bssid_(bssid), smoothed_(reading), lastSignal_(reading), lastSeen_(time) {}

void AccessPointEntry::applyReading(int32_t reading, int32_t time, int32_t weight) {
    smoothed_ = smooth(smoothed_, reading, weight);
    lastSignal_ = reading;
    lastSeen_ = time;
}

void AccessPointEntry::decay(int32_t floor, int32_t weight) {
    smoothed_ = smooth(smoothed_, floor, weight);
    lastSignal_ = floor;
}

void AccessPointEntry::mergeSsid(const std::string& ssid) {
    const std::string haystack = ", " + ssidList + ", ";
    if (haystack.find(", " + ssid + ", ") == std::string::npos) {
        ssidList += ", ";
        ssidList += ssid;
    }
}

ScanTable::ScanTable(int32_t capacity, const ScanSettings& settings)
    : capacity_(std::max<int32_t>(capacity, 1)), settings_(settings) {
    entries_.reserve(static_cast<size_t>(capacity_));
}

AccessPointEntry& ScanTable::addOrUpdate(const Bssid& bssid, int32_t reading,
                                         const EntryCallback& onEvict) {
    if (AccessPointEntry* entry = find(bssid)) {
        entry->applyReading(reading, clock_, settings_.smoothingWeight);
        return *entry;
    }
    if (count() >= capacity_) {
        const size_t victim = victimIndex();
        if (onEvict) {
            onEvict(*entries_[victim]);
        }
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(victim));
    }
    entries_.push_back(std::make_unique<AccessPointEntry>(bssid, reading, clock_));
    return *entries_.back();
}

size_t ScanTable::victimIndex() const {
    size_t victim = 0;
    int64_t lowest = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const AccessPointEntry& e = *entries_[i];
        int64_t score = e.smoothedSignal();
        if (e.smoothedSignal() <= settings_.decayFloor) {
            score += int64_t{e.lastSeen()} - clock_;
        }
        // "<=": on equal scores the later entry goes.
        if (i == 0 || score <= lowest) {
            lowest = score;
            victim = i;
        }
    }
    return victim;
}

AccessPointEntry* ScanTable::find(const Bssid& bssid) {
    for (auto& entry : entries_) {
        if (entry->bssid() == bssid) {
            return entry.get();
        }
    }
    return nullptr;
}

AccessPointEntry* ScanTable::best() {
    AccessPointEntry* best = nullptr;
    for (auto& entry : entries_) {
        if (!best || entry->smoothedSignal() > best->smoothedSignal()) {
            best = entry.get();
        }
    }
    return best;
}

void ScanTable::advance(int32_t seconds, const EntryCallback& onRemove) {
    clock_ += seconds;
    const int64_t oldest = int64_t{clock_} - maximumAge_;
    auto keep = entries_.begin();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if ((*it)->lastSeen() < oldest) {
            if (onRemove) {
                onRemove(**it);
            }
            it->reset();
        } else {
            *keep++ = std::move(*it);
        }
    }
    entries_.erase(keep, entries_.end());
}

void ScanTable::decayUnseen(const EntryCallback& onDecay) {
    for (auto& entry : entries_) {
        if (entry->lastSeen() < clock_) {
            entry->decay(settings_.decayFloor, settings_.smoothingWeight);
            if (onDecay) {
                onDecay(*entry);
            }
        }
    }
}

void ScanTable::forEach(const EntryCallback& callback) {
    for (auto& entry : entries_) {
        callback(*entry);
    }
}

void ScanTable::flagAllForRefresh() {
    for (auto& entry : entries_) {
        entry->refresh = true;
    }
}

void ScanTable::clear() {
    entries_.clear();
}

} // namespace nearbeam
