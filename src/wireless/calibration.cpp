#include "wireless/calibration.h"

#include "base/settings_keys.h"

#include <limits>

namespace nearbeam {

Calibration::Calibration(SettingsStore& store) : store_(store) {
    load();
}

void Calibration::load() {
    min_ = settings::read(store_, settings::RssiMin);
    max_ = settings::read(store_, settings::RssiMax);
}

void Calibration::observe(int32_t rssi) {
    if (rssi < min_) {
        // Saturates rather than overflow on an absurd reading.
        min_ = rssi < std::numeric_limits<int32_t>::min() + 2 ? std::numeric_limits<int32_t>::min()
                                                              : rssi - 2;
        settings::write(store_, settings::RssiMin, min_);
    }
    if (rssi > max_) {
        max_ = rssi;
        settings::write(store_, settings::RssiMax, max_);
    }
}

void Calibration::reset() {
    min_ = kResetMin;
    max_ = kResetMax;
    settings::write(store_, settings::RssiMin, min_);
    settings::write(store_, settings::RssiMax, max_);
}

int32_t signalQuality(int32_t rssi, int32_t rssiMin, int32_t rssiMax) {
    // 64-bit so that values edited into the settings cannot overflow.
    const int64_t range = int64_t{rssiMax} - rssiMin;
    if (range == 0) {
        return rssi >= rssiMin ? 100 : 0;
    }
    const int64_t q = (int64_t{rssi} - rssiMin) * 100 / range;
    if (q < 0) {
        return 0;
    }
    if (q > 100) {
        return 100;
    }
    return static_cast<int32_t>(q);
}

int32_t signalQuality(int32_t rssi, const Calibration& calibration) {
    return signalQuality(rssi, calibration.rssiMin(), calibration.rssiMax());
}

int32_t channelOf(uint32_t frequencyKhz) {
    if (frequencyKhz >= 2412000 && frequencyKhz <= 2472000 &&
        (frequencyKhz - 2412000) % 5000 == 0) {
        return static_cast<int32_t>((frequencyKhz - 2412000) / 5000 + 1);
    }
    if (frequencyKhz == 2484000) {
        return 14;
    }
    if (frequencyKhz >= 5180000 && frequencyKhz <= 5320000 &&
        (frequencyKhz - 5180000) % 20000 == 0) {
        return static_cast<int32_t>(36 + (frequencyKhz - 5180000) / 5000);
    }
    if (frequencyKhz >= 5745000 && frequencyKhz <= 5805000 &&
        (frequencyKhz - 5745000) % 20000 == 0) {
        return static_cast<int32_t>(149 + (frequencyKhz - 5745000) / 5000);
    }
    return 0;
}

} // namespace nearbeam
