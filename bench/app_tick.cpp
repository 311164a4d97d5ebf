// One whole tick of the tray (refresh, lookup of the strongest access point,
// status text, tray update) with 24 access points in range on a database of
// 100,000 lines in ap.txt and in apchecked.txt; and the first tick after start,
// which builds the key indexes of both files.

#include "app/application.h"
#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "bench_keys.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"
#include "wireless/simulated_driver.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace nearbeam {
namespace {

using bench::keyOf;

std::string colonKey(const std::string& digits) {
    std::string out;
    for (size_t i = 0; i < 12; i += 2)
        out += (i ? ":" : "") + digits.substr(i, 2);
    return out;
}

// A program folder whose data folder holds `lines` lines in ap.txt and in
// apchecked.txt, made once per size.
const test::TempDir& programFolder(unsigned lines) {
    static std::map<unsigned, std::unique_ptr<test::TempDir>> folders;
    auto& dir = folders[lines];
    if (!dir) {
        dir = std::make_unique<test::TempDir>();
        std::filesystem::create_directories(dir->path() / "data");
        std::ofstream ap(dir->path() / "data" / "ap.txt", std::ios::binary);
        std::ofstream asked(dir->path() / "data" / "apchecked.txt", std::ios::binary);
        for (unsigned n = 0; n < lines; ++n) {
            ap << keyOf(n) << "\t1\t0\t" << n % 12 << "\tRoom " << n << "\t0\r\n";
            asked << keyOf(lines + n) << "\r\n";
        }
        std::ofstream(dir->path() / "data" / "building.txt", std::ios::binary)
            << "1\t0\t0\tLibrary\tMain St 1\t0\r\n";
    }
    return *dir;
}

// 24 access points; the strongest is a line of ap.txt (known) or in neither file.
Scenario scenario(bool knownPlace) {
    std::string text = "at 0\n";
    for (unsigned i = 0; i < 24; ++i) {
        const std::string key = i == 0 && knownPlace ? keyOf(7) : keyOf(5000000 + i);
        text += "ap " + colonKey(key) + " " + std::to_string(-40 - static_cast<int>(i)) +
                " 2437000 infra open \"Net " + std::to_string(i) + "\"\n";
    }
    return *parseScenario(text).scenario;
}

// The download while the server cannot be reached: nothing is queued.
class OfflineDownload : public DownloadService {
  public:
    bool requestDownload(const BssidKey&) override { return false; }
    int32_t state() const override { return lookup_status::Failed; }
};

// The parts the program entry makes, over a program folder.
struct Program {
    Program(unsigned lines, bool knownPlace) {
        settings::write(store, settings::RssiMin, -90);
        settings::write(store, settings::RssiMax, -30);
        std::vector<std::unique_ptr<WirelessDriver>> drivers;
        drivers.push_back(std::make_unique<SimulatedDriver>(clock, scenario(knownPlace)));
        device = std::make_unique<WirelessDevice>(store, std::move(drivers));
        device->open();
        database = std::make_unique<LocationDatabase>(store);
        database->setDownloadService(&download);
        ApplicationParts parts(store, *database, *device, scanSettings, clock, notifier);
        app = std::make_unique<Application>(parts,
                                            widen(programFolder(lines).folder()) + L"nearbeam.exe");
    }

    MemorySettingsStore store;
    ManualClock clock;
    ScanSettings scanSettings;
    RecordingNotifier notifier;
    OfflineDownload download;
    std::unique_ptr<WirelessDevice> device;
    std::unique_ptr<LocationDatabase> database;
    std::unique_ptr<Application> app;
};

void tickBenchmark(benchmark::State& state, bool knownPlace) {
    Program program(100000, knownPlace);
    program.app->tick(); // the indexes are built
    for (auto _ : state)
        program.app->tick();
    state.counters["status"] = program.app->lastStatus();
}

void BM_TickUnknownPlace(benchmark::State& state) {
    tickBenchmark(state, false);
}
void BM_TickKnownPlace(benchmark::State& state) {
    tickBenchmark(state, true);
}

// The first tick of a program just started: no index yet.
void BM_FirstTick(benchmark::State& state) {
    const unsigned lines = static_cast<unsigned>(state.range(0));
    programFolder(lines);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(lines, false);
        state.ResumeTiming();
        program->app->tick();
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_TickUnknownPlace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickKnownPlace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstTick)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
