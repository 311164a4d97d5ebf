#pragma once
// The signal calibration: the weakest and strongest signals seen (RssiMin and
// RssiMax), kept in the settings store, widened by every list query, and the
// conversion of a signal into a quality percentage.

#include "base/settings_store.h"

#include <cstdint>

namespace nearbeam {

class Calibration {
  public:
    static constexpr int32_t kResetMin = 0;
    static constexpr int32_t kResetMax = -999;

    // Loads RssiMin and RssiMax from the store.
    explicit Calibration(SettingsStore& store);

    void load();
    int32_t rssiMin() const { return min_; }
    int32_t rssiMax() const { return max_; }

    // Widens the range for one reading: below RssiMin sets it to the reading
    // minus 2, above RssiMax sets it to the reading; each change is written at once
    // (a failed write keeps the new value in memory).
    void observe(int32_t rssi);

    // Back to RssiMin 0 and RssiMax -999, both written; the next list query then
    // sets them from its weakest and strongest readings.
    void reset();

  private:
    SettingsStore& store_;
    int32_t min_ = kResetMin;
    int32_t max_ = kResetMax;
};

// Quality in percent of a signal over the range rssiMin..rssiMax, truncated and
// clamped to 0..100. A range of zero width gives 100 at or above it and 0 below.
int32_t signalQuality(int32_t rssi, int32_t rssiMin, int32_t rssiMax);
int32_t signalQuality(int32_t rssi, const Calibration& calibration);

// Channel number of a radio frequency in kHz; 0 for a frequency not in the table.
int32_t channelOf(uint32_t frequencyKhz);

} // namespace nearbeam
