#pragma once
// A table of the access points seen over the last minutes, keyed by BSSID, with a
// smoothed signal strength, aged on a clock of its own.

#include "wireless/access_point_record.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nearbeam {

// Values shared by every scan table of the program. The program makes one and
// hands it to each table; owners may change them between operations.
struct ScanSettings {
    int32_t smoothingWeight = 9; // weight of the old average (the program runs with 2)
    int32_t decayFloor = -200;   // dBm that unseen entries decay towards
};

class AccessPointEntry {
  public:
    AccessPointEntry(const Bssid& bssid, int32_t reading, int32_t time);

    const Bssid& bssid() const { return bssid_; }
    int32_t smoothedSignal() const { return smoothed_; }
    int32_t lastSignal() const { return lastSignal_; }
    int32_t lastSeen() const { return lastSeen_; }

    // Moves the average towards the reading: n = (s*w + r) / (w + 1), truncated
    // towards zero; a reading below the average lowers it by at least 1.
    void applyReading(int32_t reading, int32_t time, int32_t weight);
    // The same step towards the floor; last seen is kept, last signal becomes the floor.
    void decay(int32_t floor, int32_t weight);
    // Adds a network name to the SSID list (", "-joined) unless it is there already.
    void mergeSsid(const std::string& ssid);

    // Filled and read by the Scanner window.
    bool refresh = false;
    std::string bssidText;
    std::string label;
    std::string manufacturer;
    std::string ssidList;
    int32_t channel = 0;
    bool privacy = false;
    bool privacyVaries = false;
    bool notInfrastructure = false;
    bool associated = false;
    bool optedOut = false; // a name that asks not to be mapped

  private:
    Bssid bssid_;
    int32_t smoothed_;
    int32_t lastSignal_;
    int32_t lastSeen_;
};

class ScanTable {
  public:
    using EntryCallback = std::function<void(AccessPointEntry&)>;

    static constexpr int32_t kInitialClock = 86400;
    static constexpr int32_t kInitialMaximumAge = 60;

    // A capacity below 1 is taken as 1. The settings object must outlive the table.
    ScanTable(int32_t capacity, const ScanSettings& settings);
    ScanTable(const ScanTable&) = delete;
    ScanTable& operator=(const ScanTable&) = delete;

    void setMaximumAge(int32_t seconds) { maximumAge_ = seconds; }
    int32_t maximumAge() const { return maximumAge_; }
    int32_t clock() const { return clock_; }
    int32_t capacity() const { return capacity_; }
    int32_t count() const { return static_cast<int32_t>(entries_.size()); }

    // Applies the reading to the entry of this BSSID, or makes a new entry; a full
    // table first evicts its lowest-scoring entry (onEvict sees it before it goes).
    // The reference is valid until the next change of the table.
    AccessPointEntry& addOrUpdate(const Bssid& bssid, int32_t reading,
                                  const EntryCallback& onEvict = {});
    AccessPointEntry* find(const Bssid& bssid);
    // The entry with the highest smoothed signal (the earlier on a tie), or none.
    AccessPointEntry* best();
    // Moves the clock on and removes entries older than the maximum age.
    void advance(int32_t seconds, const EntryCallback& onRemove = {});
    // Decays every entry not read since the last advance, then calls onDecay with it.
    void decayUnseen(const EntryCallback& onDecay = {});
    // In table order (insertion order).
    void forEach(const EntryCallback& callback);
    void flagAllForRefresh();
    void clear();

  private:
    size_t victimIndex() const;

    int32_t capacity_;
    const ScanSettings& settings_;
    int32_t maximumAge_ = kInitialMaximumAge;
    int32_t clock_ = kInitialClock;
    std::vector<std::unique_ptr<AccessPointEntry>> entries_;
};

} // namespace nearbeam
