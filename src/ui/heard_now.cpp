#include "ui/heard_now.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace nearbeam {

std::vector<ScanReading> latestScanReadings(ScanTable& table, AskedList& optedOut) {
    std::vector<ScanReading> readings;
    const int32_t latest = table.clock();
    table.forEach([&](AccessPointEntry& entry) {
        if (entry.lastSeen() != latest)
            return;
        const BssidKey key = BssidKey::fromBytes(entry.bssid().data());
        if (optedOut.contains(key))
            return;
        readings.push_back(ScanReading{
            key, std::clamp(entry.lastSignal(), kWeakestScanSignal, kStrongestScanSignal)});
    });
    return readings;
}

double readingsDistance(const std::vector<ScanReading>& a, const std::vector<ScanReading>& b,
                        const ScanComparison& settings) {
    // By access point: the scaled signal on each side (notHeard where missing).
    const double absent = scaledSignal(settings.notHeard, settings);
    std::map<BssidKey, std::pair<double, double>> sides;
    for (const ScanReading& r : a)
        sides.try_emplace(r.bssid, absent, absent).first->second.first =
            scaledSignal(r.rssi, settings);
    for (const ScanReading& r : b)
        sides.try_emplace(r.bssid, absent, absent).first->second.second =
            scaledSignal(r.rssi, settings);
    double differences = 0;
    double values = 0;
    for (const auto& [key, side] : sides) {
        differences += std::fabs(side.first - side.second);
        values += side.first + side.second;
    }
    return values > 0 ? differences / values : 1.0;
}

} // namespace nearbeam
