// Merging a download reply into large data files: a reply of 10,000 record lines
// (half buildings, half access points; some already in the files, some repeated
// within the reply) into building.txt and ap.txt of 100,000 lines each, compared
// with plainly appending the bytes the merge adds.

#include "base/memory_settings_store.h"
#include "locate/location_database.h"
#include "net/location_download.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace nearbeam {
namespace {

constexpr int kFileLines = 100000;
constexpr int kReplyLines = 10000;

std::string bssid(int n) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "00aa%08x", static_cast<unsigned>(n));
    return digits;
}

std::string buildingLine(int id) {
    return std::to_string(id) + "\t0\t20\tBuilding number " + std::to_string(id) + "\tStreet " +
           std::to_string(id % 977);
}

std::string apLine(int n) {
    return bssid(n) + "\t" + std::to_string(n % 5000 + 1) + "\t0\t" + std::to_string(n % 9) +
           "\tRoom " + std::to_string(n);
}

struct Data {
    test::TempDir original;
    std::string reply;                 // the reply text, lines ended by LF
    std::vector<std::string> lines[2]; // its record lines: buildings, aps
    std::string addedBytes[2];         // what the merge appends to each file

    Data() {
        std::string buildings, aps;
        for (int i = 1; i <= kFileLines; ++i) {
            buildings += buildingLine(i) + "\t0\r\n";
            aps += apLine(i) + "\t0\r\n";
        }
        original.write("building.txt", buildings);
        original.write("ap.txt", aps);
        // Ids from 95,001: the first 5,000 are in the files already; every tenth
        // line repeats the one before it.
        for (int kind = 0; kind < 2; ++kind) {
            std::set<int> added;
            for (int i = 0; i < kReplyLines / 2; ++i) {
                int n = kFileLines - 5000 + 1 + 2 * i - (i % 10 == 9 ? 2 : 0);
                lines[kind].push_back(kind == 0 ? buildingLine(n) : apLine(n));
                if (n > kFileLines && added.insert(n).second)
                    addedBytes[kind] += lines[kind].back() + "\t0\r\n";
            }
        }
        reply = "- buildings\n";
        for (const std::string& line : lines[0])
            reply += line + "\n";
        reply += "- aps\n";
        for (const std::string& line : lines[1])
            reply += line + "\n";
        reply += "- end\n";
    }

    void restore(const test::TempDir& to) const {
        for (const char* name : {"building.txt", "ap.txt"})
            std::filesystem::copy_file(original.file(name), to.file(name),
                                       std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(to.file("apchecked.txt"));
    }
};

const Data& data() {
    static Data d;
    return d;
}

// An HTTP transport that is never used: the reply is fed straight to the parser.
class NoTransport : public HttpTransport {
  public:
    bool perform(const HttpAttempt&, HttpSink&) override { return false; }
};

// The merge through the download's reply parser, from the lines as they arrive.
void mergeReply(LocationDownload& download) {
    const std::string& reply = data().reply;
    size_t start = 0;
    while (start < reply.size()) {
        size_t end = reply.find('\n', start);
        download.onLine(std::string_view(reply).substr(start, end - start));
        start = end + 1;
    }
    download.onProgress(WebProgress::Completed, *BssidKey::fromText("00aaffffffff"), false);
}

void BM_WriteSameBytes(benchmark::State& state) {
    test::TempDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        data().restore(dir);
        state.ResumeTiming();
        for (int kind = 0; kind < 2; ++kind) {
            std::FILE* f =
                std::fopen(dir.file(kind == 0 ? "building.txt" : "ap.txt").c_str(), "ab");
            std::fwrite(data().addedBytes[kind].data(), 1, data().addedBytes[kind].size(), f);
            std::fclose(f);
        }
    }
    state.SetBytesProcessed(state.iterations() *
                            (data().addedBytes[0].size() + data().addedBytes[1].size()));
}

// The objects of one merge, made and destroyed outside the timed part.
struct Merge {
    MemorySettingsStore settings;
    LocationDatabase database{settings};
    LocationDownload download;
    Merge(WebAgent& agent, ManualClock& clock, const test::TempDir& dir)
        : download(agent, database, settings, clock) {
        database.openDatabase(dir.folder());
    }
};

template <bool kKeysKnown> void mergeBenchmark(benchmark::State& state) {
    test::TempDir dir;
    ManualClock clock;
    NoTransport transport;
    WebAgent agent(transport, clock, WebAgent::Options{WebAgent::kWaitMs, false});
    std::unique_ptr<Merge> merge;
    for (auto _ : state) {
        state.PauseTiming();
        merge.reset();
        data().restore(dir);
        merge = std::make_unique<Merge>(agent, clock, dir);
        if (kKeysKnown) { // an earlier reply made the files' keys known
            merge->database.buildings().appendServerLine(buildingLine(1));
            merge->database.locations().appendServerLine(apLine(1));
        }
        state.ResumeTiming();
        mergeReply(merge->download);
    }
}

// A database opened just before the reply: the merge reads each file once.
void BM_MergeReplyFirstAfterStart(benchmark::State& state) {
    mergeBenchmark<false>(state);
}

// A database that has merged before: the keys of its files are known.
void BM_MergeReplyLater(benchmark::State& state) {
    mergeBenchmark<true>(state);
}

// For comparison: one appendServerLine call per reply line.
void BM_AppendLineByLine(benchmark::State& state) {
    test::TempDir dir;
    ManualClock clock;
    NoTransport transport;
    WebAgent agent(transport, clock, WebAgent::Options{WebAgent::kWaitMs, false});
    std::unique_ptr<Merge> merge;
    for (auto _ : state) {
        state.PauseTiming();
        merge.reset();
        data().restore(dir);
        merge = std::make_unique<Merge>(agent, clock, dir);
        state.ResumeTiming();
        for (const std::string& line : data().lines[0])
            merge->database.buildings().appendServerLine(line);
        for (const std::string& line : data().lines[1])
            merge->database.locations().appendServerLine(line);
    }
}

// The other yardstick: writing the whole merged files, every byte they hold.
void BM_WriteMergedFiles(benchmark::State& state) {
    test::TempDir dir;
    std::string files[2];
    for (int kind = 0; kind < 2; ++kind)
        files[kind] =
            data().original.read(kind == 0 ? "building.txt" : "ap.txt") + data().addedBytes[kind];
    for (auto _ : state) {
        for (int kind = 0; kind < 2; ++kind) {
            std::FILE* f =
                std::fopen(dir.file(kind == 0 ? "building.txt" : "ap.txt").c_str(), "wb");
            std::fwrite(files[kind].data(), 1, files[kind].size(), f);
            std::fclose(f);
        }
    }
    state.SetBytesProcessed(state.iterations() * (files[0].size() + files[1].size()));
}

BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMergedFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeReplyFirstAfterStart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeReplyLater)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendLineByLine)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
