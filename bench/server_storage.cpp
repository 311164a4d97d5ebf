// The location server's protocol on its storages, without HTTP: downloads of
// access points known among 1,000,000 (SQLite) or 100,000 (PostgreSQL, when
// NEARBEAM_TEST_POSTGRES names a server), with and without the 100 survey scans of
// their building, and uploads of 10 access points each, from one and from several
// threads; and downloads of a building one account filled with 20,000 scans.

#include "net/md5.h"
#include "server/accounts/accounts.h"
#include "server/accounts/argon2_hasher.h"
#include "server/location_service.h"
#include "server/storage/postgres_storage.h"
#include "server/storage/sqlite_storage.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace nearbeam {
namespace {

struct Served {
    test::TempDir dir;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<LocationService> service;
    uint64_t points = 0;
};

constexpr uint64_t kFilledPoint = 0xfeedfeedfeed;

std::string hex(uint64_t bssid) {
    char text[16];
    std::snprintf(text, sizeof text, "%012llx", static_cast<unsigned long long>(bssid));
    return text;
}

// A storage with one building and `points` access points in it, and a user.
Served* served(bool postgres) {
    static Served cache[2];
    static std::mutex making;
    std::lock_guard<std::mutex> lock(making);
    Served& s = cache[postgres];
    if (s.service)
        return &s;
    auto hasher = std::make_shared<Argon2Hasher>();
    std::string error;
    const char* url = std::getenv("NEARBEAM_TEST_POSTGRES");
    if (postgres && !url)
        return nullptr;
    s.storage = postgres ? SqlStorage::open(kPostgres, url, hasher, error)
                         : SqlStorage::open(kSqlite, s.dir.file("nearbeam.db"), hasher, error);
    if (!s.storage) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return nullptr;
    }
    s.points = postgres ? 100000 : 1000000;
    s.storage->write(
        [&](Transaction& r) {
            r.put(StoredKind::City, {20, 0, 0, 0, "Bergen", "", ""});
            r.put(StoredKind::Building, {31, 20, 0, 0, "Library", "Main St 1", ""});
            for (uint64_t i = 0; i < s.points; ++i)
                r.putAccessPoint({i * 7919, 31, 0, "1", "Room"});
            for (uint64_t i = 0; i < 100; ++i) {
                std::string readings;
                for (uint64_t k = 0; k < 20; ++k)
                    readings += (k ? "\t" : "") + hex((i * 20 + k) * 7919) + ":-" +
                                std::to_string(40 + k * 3);
                char time[24];
                std::snprintf(time, sizeof time, "2026-12-08T%02d:%02d:00Z",
                              static_cast<int>(i / 60), static_cast<int>(i % 60));
                r.putScan({31, "1", "Room", time, "ann", readings});
            }
            // A building one account filled: 20,000 scans of eve's, newer than
            // ann's 1,000 survey scans.
            r.put(StoredKind::Building, {33, 20, 0, 0, "Filled", "", ""});
            r.putAccessPoint({kFilledPoint, 33, 0, "1", "Room"});
            for (uint64_t i = 0; i < 21000; ++i) {
                char time[24];
                std::snprintf(time, sizeof time, "2026-%02d-%02dT%02d:%02d:00Z",
                              i < 1000 ? 1 : 2 + static_cast<int>(i / 2000),
                              1 + static_cast<int>(i / 60 % 28), static_cast<int>(i / 60 % 24),
                              static_cast<int>(i % 60));
                r.putScan(
                    {33, "1", "Room", time, i < 1000 ? "ann" : "eve", hex(i * 7919) + ":-50"});
            }
            return true;
        },
        error);
    addUser(*s.storage, "ann", "secret", error);
    s.service = std::make_unique<LocationService>(*s.storage);
    return &s;
}

// A download of the filled building's access point, with its scans: each
// account's newest quarter of the 2,000 served.
void filled(benchmark::State& state, bool postgres) {
    Served* s = served(postgres);
    if (!s) {
        state.SkipWithError("no storage");
        return;
    }
    for (auto _ : state) {
        std::string reply = s->service->downloadText(hex(kFilledPoint), true);
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
}

void download(benchmark::State& state, bool postgres, bool scans) {
    Served* s = served(postgres);
    if (!s) {
        state.SkipWithError("no storage");
        return;
    }
    uint64_t i = static_cast<uint64_t>(state.thread_index()) * 104729;
    for (auto _ : state) {
        std::string reply = s->service->downloadText(hex((i++ % s->points) * 7919), scans);
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
}

// What a download reads from PostgreSQL: in one statement outside a transaction
// (one round trip, as the server reads it), or as it was read before: a
// transaction of one look-up per record (ten round trips). SQLite, in process,
// reads it the second way.
void records(benchmark::State& state, bool postgres, bool atOnce) {
    Served* s = served(postgres);
    if (!s) {
        state.SkipWithError("no storage");
        return;
    }
    uint64_t i = static_cast<uint64_t>(state.thread_index()) * 104729;
    std::string error;
    for (auto _ : state) {
        const uint64_t bssid = (i++ % s->points) * 7919;
        DownloadRecords found;
        auto read = [&](Transaction& r) {
            found = atOnce ? r.downloadRecords(bssid, 0) : r.Transaction::downloadRecords(bssid, 0);
        };
        if (!(atOnce ? s->storage->readOnce(read, error) : s->storage->read(read, error)) ||
            !found.point)
            state.SkipWithError("not read");
    }
    state.SetItemsProcessed(state.iterations());
}

void upload(benchmark::State& state, bool postgres) {
    Served* s = served(postgres);
    if (!s) {
        state.SkipWithError("no storage");
        return;
    }
    static std::atomic<uint64_t> next{1ULL << 40};
    const std::string login = "- login\nann\n" + loginToken("secret") + "\n- aps\n";
    for (auto _ : state) {
        std::string body = login;
        for (int i = 0; i < 10; ++i)
            body += hex(next++) + "\t31\t0\t2\tNew room\t3\n";
        UploadReply reply = s->service->upload(body + "- end\n");
        if (reply.text.rfind("- nearbeam ok", 0) != 0)
            state.SkipWithError(reply.text.c_str());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(download, sqlite, false, false)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK_CAPTURE(download, sqlite_scans, false, true)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK_CAPTURE(upload, sqlite, false)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK_CAPTURE(filled, sqlite, false)->UseRealTime();
BENCHMARK_CAPTURE(download, postgres, true, false)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK_CAPTURE(download, postgres_scans, true, true)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK_CAPTURE(records, postgres_at_once, true, true)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK_CAPTURE(records, postgres_in_steps, true, false)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK_CAPTURE(upload, postgres, true)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK_CAPTURE(filled, postgres, true)->UseRealTime();

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
