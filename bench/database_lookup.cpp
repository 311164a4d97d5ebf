// Speed of the location database over large data files: lookups (cached hits and
// misses, which the key index answers), name searches and appending server lines.

#include "base/memory_settings_store.h"
#include "locate/location_database.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nearbeam {
namespace {

std::string hexKey(unsigned n) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "%012x", n);
    return digits;
}

std::string apLine(unsigned n) {
    return hexKey(n * 7 + 1) + "\t" + std::to_string(n % 5000 + 1) + "\t" +
           std::to_string(n % 300) + "\t" + std::to_string(n % 12) + "\tRoom " + std::to_string(n) +
           "\t0\r\n";
}

std::string provinceLine(unsigned n) {
    return std::to_string(n + 1) + "\t" + std::to_string(n % 200 + 1) + "\tProvince number " +
           std::to_string(n) + "\t0\r\n";
}

// Data folders made once per size and reused by every benchmark.
class Folders {
  public:
    const test::TempDir& withAp(unsigned lines) { return make("ap", lines, "ap.txt", apLine); }
    const test::TempDir& withAsked(unsigned lines) {
        return make("asked", lines, "apchecked.txt",
                    [](unsigned n) { return hexKey(n * 7 + 1) + "\r\n"; });
    }
    const test::TempDir& withProvinces(unsigned lines) {
        return make("province", lines, "province.txt", provinceLine);
    }

  private:
    template <typename Line>
    const test::TempDir& make(const std::string& what, unsigned lines, const char* file,
                              Line line) {
        auto& dir = dirs_[what + std::to_string(lines)];
        if (!dir) {
            dir = std::make_unique<test::TempDir>();
            std::ofstream out(dir->path() / file, std::ios::binary);
            for (unsigned n = 0; n < lines; ++n)
                out << line(n);
        }
        return *dir;
    }
    std::map<std::string, std::unique_ptr<test::TempDir>> dirs_;
};

Folders& folders() {
    static Folders f;
    return f;
}

void BM_LookupHitCached(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folders().withAp(lines).folder());
    BssidKey key = *BssidKey::fromText(hexKey((lines / 2) * 7 + 1));
    LocationRecord* record = nullptr;
    if (db.lookUpLocation(key, &record) != lookup_status::Found)
        state.SkipWithError("key not found");
    for (auto _ : state)
        benchmark::DoNotOptimize(db.lookUpLocation(key, &record));
}

// A miss on ap.txt of N lines (apchecked.txt absent), once the index is built.
void BM_LookupMissAp(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folders().withAp(lines).folder());
    BssidKey key = *BssidKey::fromText("ffffffffffff");
    LocationRecord* record = nullptr;
    for (auto _ : state)
        benchmark::DoNotOptimize(db.lookUpLocation(key, &record));
}

// A key found in apchecked.txt of N lines (ap.txt absent): cached after the first.
void BM_LookupAskedCached(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folders().withAsked(lines).folder());
    BssidKey key = *BssidKey::fromText(hexKey((lines / 2) * 7 + 1));
    LocationRecord* record = nullptr;
    if (db.lookUpLocation(key, &record) != lookup_status::NotPlaced)
        state.SkipWithError("key not asked");
    for (auto _ : state)
        benchmark::DoNotOptimize(db.lookUpLocation(key, &record));
}

// A miss on apchecked.txt of N lines (ap.txt absent).
void BM_LookupMissAsked(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folders().withAsked(lines).folder());
    BssidKey key = *BssidKey::fromText("ffffffffffff");
    LocationRecord* record = nullptr;
    for (auto _ : state)
        benchmark::DoNotOptimize(db.lookUpLocation(key, &record));
}

// findByName with a name that is not there: the whole file is searched.
void BM_FindByNameMiss(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(folders().withProvinces(lines).folder());
    NamedRecord parent(RecordKind::Country);
    parent.id = 17;
    for (auto _ : state)
        benchmark::DoNotOptimize(db.provinces().findByName("Nowhere", &parent, nullptr, false));
}

// appendServerLine into a 100,000-line file, one new line per iteration; the key
// index is built by the first call and then kept up to date.
void BM_AppendServerLine(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    test::TempDir dir;
    {
        std::ofstream out(dir.path() / "ap.txt", std::ios::binary);
        for (unsigned n = 0; n < lines; ++n)
            out << apLine(n);
    }
    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(dir.folder());
    unsigned n = 0;
    for (auto _ : state) {
        std::string line = hexKey(0x800000000000u + n++) + "\t1\t0\t2\tNew";
        benchmark::DoNotOptimize(db.locations().appendServerLine(line));
    }
}

// The same when every call finds the file changed by someone else, so the whole
// file is read for the duplicate check each time.
void BM_AppendServerLineRereading(benchmark::State& state) {
    unsigned lines = static_cast<unsigned>(state.range(0));
    test::TempDir dir;
    {
        std::ofstream out(dir.path() / "ap.txt", std::ios::binary);
        for (unsigned n = 0; n < lines; ++n)
            out << apLine(n);
    }
    MemorySettingsStore settings;
    unsigned n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        LocationDatabase db(settings); // a fresh index
        db.openDatabase(dir.folder());
        std::string line = hexKey(0x800000000000u + n++) + "\t1\t0\t2\tNew";
        state.ResumeTiming();
        benchmark::DoNotOptimize(db.locations().appendServerLine(line));
    }
}

std::vector<std::string> replyLines(unsigned count) {
    std::vector<std::string> lines;
    lines.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        // Every tenth line is one the file already has.
        unsigned n = i % 10 == 0 ? i * 7 : 0x900000u + i;
        std::string line = apLine(n);
        line.resize(line.size() - 4); // without "\t0\r\n"
        lines.push_back(line);
    }
    return lines;
}

// Merging a 10,000-line reply into a 100,000-line ap.txt in one batch, index cold.
void BM_MergeReplyBatch(benchmark::State& state) {
    const unsigned lines = 100000;
    std::vector<std::string> reply = replyLines(10000);
    test::TempDir dir;
    MemorySettingsStore settings;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(dir.path() / "ap.txt", std::ios::binary | std::ios::trunc);
            for (unsigned n = 0; n < lines; ++n)
                out << apLine(n);
        }
        LocationDatabase db(settings);
        db.openDatabase(dir.folder());
        state.ResumeTiming();
        benchmark::DoNotOptimize(db.locations().appendServerLines(reply));
    }
}

// The same reply appended line by line (the index makes each check cheap).
void BM_MergeReplyLineByLine(benchmark::State& state) {
    const unsigned lines = 100000;
    std::vector<std::string> reply = replyLines(10000);
    test::TempDir dir;
    MemorySettingsStore settings;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(dir.path() / "ap.txt", std::ios::binary | std::ios::trunc);
            for (unsigned n = 0; n < lines; ++n)
                out << apLine(n);
        }
        LocationDatabase db(settings);
        db.openDatabase(dir.folder());
        state.ResumeTiming();
        for (const auto& line : reply)
            benchmark::DoNotOptimize(db.locations().appendServerLine(line));
    }
}

// The yardstick: appending the reply's bytes to the file with one write.
void BM_WriteReplyBytes(benchmark::State& state) {
    std::vector<std::string> reply = replyLines(10000);
    std::string bytes;
    for (const auto& line : reply)
        bytes += line + "\t0\r\n";
    test::TempDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(dir.path() / "ap.txt", std::ios::binary | std::ios::trunc);
            for (unsigned n = 0; n < 100000; ++n)
                out << apLine(n);
        }
        state.ResumeTiming();
        std::FILE* f = std::fopen((dir.path() / "ap.txt").string().c_str(), "ab");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// A second yardstick: writing the whole merged file (100,000 + 10,000 lines).
void BM_WriteMergedFile(benchmark::State& state) {
    std::vector<std::string> reply = replyLines(10000);
    std::string bytes;
    for (unsigned n = 0; n < 100000; ++n)
        bytes += apLine(n);
    for (const auto& line : reply)
        bytes += line + "\t0\r\n";
    test::TempDir dir;
    for (auto _ : state) {
        std::FILE* f = std::fopen((dir.path() / "ap.txt").string().c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// Merging into a file whose index is already built (an earlier reply built it).
void BM_MergeReplyWarm(benchmark::State& state) {
    std::vector<std::string> reply = replyLines(10000);
    test::TempDir dir;
    MemorySettingsStore settings;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(dir.path() / "ap.txt", std::ios::binary | std::ios::trunc);
            for (unsigned n = 0; n < 100000; ++n)
                out << apLine(n);
        }
        LocationDatabase db(settings);
        db.openDatabase(dir.folder());
        db.locations().appendServerLine("ffffffffffff\t1\t0\t\t"); // builds the index
        state.ResumeTiming();
        benchmark::DoNotOptimize(db.locations().appendServerLines(reply));
    }
}

BENCHMARK(BM_LookupHitCached)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_LookupMissAp)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupAskedCached)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_LookupMissAsked)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindByNameMiss)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendServerLine)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendServerLineRereading)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeReplyBatch)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_MergeReplyLineByLine)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MergeReplyWarm)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WriteMergedFile)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_WriteReplyBytes)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
