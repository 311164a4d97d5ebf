// The place decision over a large survey: 20,000 stored scans of 50 access points
// each, in a building of 2,000 access points on 10 floors, decided for 24
// access points in range (the scan table's capacity); and reading such a
// scans.txt, as the first tick does.

#include "locate/place_decision.h"
#include "bench_keys.h"
#include "support/temp_dir.h"
#include "survey/scan_store.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>

namespace nearbeam {
namespace {

constexpr int kScans = 20000;
constexpr int kPerScan = 50;
constexpr int kAccessPoints = 2000;
constexpr int kFloors = 10;

BssidKey keyOf(int n) {
    return *BssidKey::fromText(bench::keyOf(static_cast<unsigned>(n)));
}

// A scan at a spot: the access points near it (numbered along the building, 200
// a floor), stronger the nearer.
SurveyScan scanAt(int spot, std::mt19937& rng) {
    SurveyScan scan;
    scan.buildingId = 7;
    scan.floor = std::to_string(spot * kFloors / kAccessPoints);
    scan.location = "Room " + std::to_string(spot / 20);
    scan.time = "2026-12-08T09:15:00Z";
    std::uniform_int_distribution<int> noise(-4, 4);
    for (int i = 0; i < kPerScan; ++i) {
        const int ap = (spot + i - kPerScan / 2 + kAccessPoints) % kAccessPoints;
        const int distance = std::abs(i - kPerScan / 2);
        scan.readings.push_back(
            ScanReading{keyOf(ap), std::max(-99, -35 - 2 * distance + noise(rng))});
    }
    return scan;
}

const test::TempDir& surveyFolder() {
    static test::TempDir dir;
    static bool written = false;
    if (!written) {
        std::mt19937 rng(7);
        std::ofstream out(dir.path() / "scans.txt", std::ios::binary);
        for (int n = 0; n < kScans; ++n) {
            std::string line = formatScanLine(scanAt(n % kAccessPoints, rng));
            line.insert(line.size() - 1, "\r");
            out << line;
        }
        written = true;
    }
    return dir;
}

void BM_Decision(benchmark::State& state) {
    ScanStore store;
    store.setPath(surveyFolder().file("scans.txt"));
    store.refresh();
    std::mt19937 rng(11);
    // Every eighth access point placed a floor off, as at a stairwell, so the
    // known ones in range never all agree and the scans are always compared.
    std::vector<PlaceKey> places;
    places.reserve(kAccessPoints);
    for (int ap = 0; ap < kAccessPoints; ++ap) {
        const int floor = ap * kFloors / kAccessPoints + (ap % 8 == 4 ? 1 : 0);
        places.push_back(PlaceKey{7, std::to_string(floor), ""});
    }
    // What is heard at 64 spots: the 24 strongest of a fresh scan, every fourth known.
    std::vector<std::vector<HeardAccessPoint>> queries;
    for (int q = 0; q < 64; ++q) {
        const int spot = static_cast<int>(rng() % kAccessPoints);
        SurveyScan scan = scanAt(spot, rng);
        std::vector<HeardAccessPoint> heard;
        for (int i = kPerScan / 2 - 12; i < kPerScan / 2 + 12; ++i) {
            const int ap = (spot + i - kPerScan / 2 + kAccessPoints) % kAccessPoints;
            heard.push_back(
                HeardAccessPoint{scan.readings[static_cast<size_t>(i)].bssid,
                                 scan.readings[static_cast<size_t>(i)].rssi,
                                 ap % 4 == 0 ? &places[static_cast<size_t>(ap)] : nullptr});
        }
        queries.push_back(std::move(heard));
    }
    size_t n = 0;
    for (auto _ : state) {
        PlaceDecision decision = decidePlace(queries[n++ % queries.size()], &store);
        benchmark::DoNotOptimize(decision);
    }
    state.counters["scans"] = static_cast<double>(store.size());
}

void BM_LoadScans(benchmark::State& state) {
    const std::string path = surveyFolder().file("scans.txt");
    for (auto _ : state) {
        ScanStore store;
        store.setPath(path);
        store.refresh([](uint32_t) { return true; });
        state.counters["scans"] = static_cast<double>(store.size());
    }
}

BENCHMARK(BM_Decision)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadScans)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
