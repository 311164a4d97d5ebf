// Lookups of access points answered by the key index, side by side with the
// straight scan that reads the file from its start, on the same files: misses on
// ap.txt and on apchecked.txt, hits not yet cached, the cost of building the index
// and its size in memory (counter bytes_per_line).

#include "base/memory_settings_store.h"
#include "bench_keys.h"
#include "locate/location_database.h"
#include "records/data_file.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace nearbeam {
namespace {

using bench::keyOf;

std::string apLine(unsigned n) {
    return keyOf(n) + "\t" + std::to_string(n % 5000 + 1) + "\t" + std::to_string(n % 300) + "\t" +
           std::to_string(n % 12) + "\tRoom " + std::to_string(n) + "\t0\r\n";
}

const char* const kMissing = "ffffffffffff";

// One data folder per file and size, made once and shared by the benchmarks.
const test::TempDir& folderWith(const char* file, unsigned lines) {
    static std::map<std::string, std::unique_ptr<test::TempDir>> folders;
    auto& dir = folders[file + std::to_string(lines)];
    if (!dir) {
        dir = std::make_unique<test::TempDir>();
        std::ofstream out(dir->path() / file, std::ios::binary);
        const bool asked = std::strcmp(file, "apchecked.txt") == 0;
        for (unsigned n = 0; n < lines; ++n)
            out << (asked ? keyOf(n) + "\r\n" : apLine(n));
    }
    return *dir;
}

// The lookup as it was: the first line part that begins with the key, read from
// the file's start.
bool straightScan(const std::string& path, const BssidKey& key) {
    bool found = false;
    datafile::forEachPartOfFile(path, [&](std::string_view part) {
        found = part.size() >= 12 && std::memcmp(part.data(), key.c_str(), 12) == 0;
        return found;
    });
    return found;
}

void scanMiss(benchmark::State& state, const char* file) {
    const unsigned lines = static_cast<unsigned>(state.range(0));
    const std::string path = folderWith(file, lines).file(file);
    const BssidKey key = *BssidKey::fromText(kMissing);
    for (auto _ : state)
        benchmark::DoNotOptimize(straightScan(path, key));
}

// The lookup of a key that neither file has (no download wired: it answers Idle).
void indexedMiss(benchmark::State& state, const char* file) {
    const unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folderWith(file, lines).folder());
    const BssidKey key = *BssidKey::fromText(kMissing);
    db.lookUpLocation(key, nullptr); // builds the index
    for (auto _ : state)
        benchmark::DoNotOptimize(db.lookUpLocation(key, nullptr));
    TextTable& table =
        std::strcmp(file, "ap.txt") == 0 ? static_cast<TextTable&>(db.locations()) : db.asked();
    state.counters["bytes_per_line"] = static_cast<double>(table.lookupIndexBytes()) / lines;
}

void BM_ApMissScan(benchmark::State& state) {
    scanMiss(state, "ap.txt");
}
void BM_ApMissIndexed(benchmark::State& state) {
    indexedMiss(state, "ap.txt");
}
void BM_AskedMissScan(benchmark::State& state) {
    scanMiss(state, "apchecked.txt");
}
void BM_AskedMissIndexed(benchmark::State& state) {
    indexedMiss(state, "apchecked.txt");
}

// Hits on keys not yet cached, spread over the file: the scan reads half the
// file on average, the index one part.
void BM_ApHitUncachedScan(benchmark::State& state) {
    const unsigned lines = static_cast<unsigned>(state.range(0));
    const std::string path = folderWith("ap.txt", lines).file("ap.txt");
    unsigned n = 0;
    for (auto _ : state) {
        const BssidKey key = *BssidKey::fromText(keyOf((n++ * 7919u) % lines));
        benchmark::DoNotOptimize(straightScan(path, key));
    }
}

void BM_ApHitUncachedIndexed(benchmark::State& state) {
    const unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folderWith("ap.txt", lines).folder());
    db.locations().refreshLookupIndex();
    unsigned n = 0;
    for (auto _ : state) {
        // Every key once: the cache never answers.
        const BssidKey key = *BssidKey::fromText(keyOf((n++ * 7919u) % lines));
        benchmark::DoNotOptimize(db.locations().find(key));
    }
}

// The first lookup after start: the index of ap.txt is built.
void BM_ApIndexBuild(benchmark::State& state) {
    const unsigned lines = static_cast<unsigned>(state.range(0));
    const std::string folder = folderWith("ap.txt", lines).folder();
    MemorySettingsStore settings;
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<LocationDatabase>(settings);
        db->openDatabase(folder);
        state.ResumeTiming();
        db->locations().refreshLookupIndex();
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_ApMissScan)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApMissIndexed)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AskedMissScan)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AskedMissIndexed)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApHitUncachedScan)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApHitUncachedIndexed)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApIndexBuild)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
