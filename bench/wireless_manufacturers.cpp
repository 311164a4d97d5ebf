// Manufacturer lookup on the table made from the full IEEE list.
#include "base/clock.h"
#include "wireless/manufacturers.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using nearbeam::Bssid;

// manufacturers.dat beside the benchmark program, in the build folder.
std::string tablePath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "manufacturers.dat")
        .string();
}

// BSSIDs whose prefixes are in the table, in random order.
std::vector<Bssid> knownBssids(const std::string& path) {
    std::vector<Bssid> bssids;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const unsigned long v = std::stoul(line.substr(0, 6), nullptr, 16);
        bssids.push_back(Bssid{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                               static_cast<uint8_t>(v), 1, 2, 3});
    }
    std::shuffle(bssids.begin(), bssids.end(), std::mt19937(7));
    return bssids;
}

void lookupKnown(benchmark::State& state) {
    const std::string path = tablePath();
    const std::vector<Bssid> bssids = knownBssids(path);
    if (bssids.empty()) {
        state.SkipWithError("manufacturers.dat missing: build the manufacturers_dat target");
        return;
    }
    nearbeam::SteadyClock clock;
    nearbeam::ManufacturerTable table(path, clock);
    table.lookup(bssids[0]); // the first lookup reads the file
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.lookup(bssids[i]));
        i = (i + 1) % bssids.size();
    }
    state.counters["prefixes"] = static_cast<double>(bssids.size());
}
BENCHMARK(lookupKnown);

void lookupUnknown(benchmark::State& state) {
    nearbeam::SteadyClock clock;
    nearbeam::ManufacturerTable table(tablePath(), clock);
    const Bssid locallyAdministered{0x02, 0xff, 0xfe, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.lookup(locallyAdministered));
    }
}
BENCHMARK(lookupUnknown);

void loadTable(benchmark::State& state) {
    const std::string path = tablePath();
    nearbeam::ManualClock clock;
    for (auto _ : state) {
        nearbeam::ManufacturerTable table(path, clock);
        benchmark::DoNotOptimize(table.lookup(Bssid{0, 0xd0, 0xef, 0, 0, 0}));
    }
}
BENCHMARK(loadTable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
