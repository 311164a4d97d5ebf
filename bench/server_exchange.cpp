// The location server's answers without the network: downloads from a storage of
// 100,000 access points and uploads of ten records each, on SQLite and (when
// NEARBEAM_TEST_POSTGRES names a server) PostgreSQL, from 1 and 64 threads at
// once. The HTTP figures (against nginx) come from scripts/bench-server.

#include "server/accounts.h"
#include "server/folder_io.h"
#include "server/location_service.h"
#include "server/routes.h"
#include "server/storage.h"
#include "support/temp_dir.h"

#include "net/md5.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace nearbeam {
namespace {

constexpr int kAccessPoints = 100000;

std::string bssid(int n) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "%012x", n * 7919 + 11);
    return digits;
}

// One storage per back end for the whole run, filled once.
struct Served {
    explicit Served(bool postgres) {
        const char* url = std::getenv("NEARBEAM_TEST_POSTGRES");
        if (postgres && (!url || !*url))
            return;
        std::ofstream(dir.file("country.txt")) << "1\tNorway\t0\r\n";
        std::ofstream(dir.file("province.txt")) << "11\t1\tVestland\t0\r\n";
        std::ofstream(dir.file("city.txt")) << "21\t11\tBergen\t0\r\n";
        std::ofstream buildings(dir.file("building.txt"));
        for (int b = 1; b <= 1000; ++b)
            buildings << b << "\t0\t21\tBuilding " << b << "\tStreet " << b << "\t0\r\n";
        buildings.close();
        std::ofstream aps(dir.file("ap.txt"));
        for (int i = 0; i < kAccessPoints; ++i)
            aps << bssid(i) << "\t" << 1 + i % 1000 << "\t0\t" << i % 9 << "\tRoom " << i
                << "\t0\r\n";
        aps.close();
        std::string error;
        storage = openStorage(postgres ? url : "", dir.folder(), error);
        if (!storage || !importFolder(*storage, dir.folder(), error) ||
            !addUser(*storage, "bench", "pw", error)) {
            std::fprintf(stderr, "bench: %s\n", error.c_str());
            storage.reset();
            return;
        }
        service = std::make_unique<LocationService>(*storage);
        routes = std::make_unique<Routes>(*service);
    }
    test::TempDir dir;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<LocationService> service;
    std::unique_ptr<Routes> routes;
};

Served& served(bool postgres) {
    static Served sqlite(false);
    static Served pg(true);
    return postgres ? pg : sqlite;
}

void download(benchmark::State& state, bool postgres) {
    Served& s = served(postgres);
    if (!s.routes) {
        state.SkipWithError("no storage (PostgreSQL needs NEARBEAM_TEST_POSTGRES)");
        return;
    }
    int n = static_cast<int>(state.thread_index) * 7717;
    for (auto _ : state) {
        HttpRequest request{
            "GET", "/text/?action=location.downloadText&bssid=" + bssid(n++ % kAccessPoints), "",
            "", "127.0.0.1"};
        benchmark::DoNotOptimize(s.routes->answer(request));
    }
    state.SetItemsProcessed(state.iterations());
}

void upload(benchmark::State& state, bool postgres) {
    Served& s = served(postgres);
    if (!s.routes) {
        state.SkipWithError("no storage (PostgreSQL needs NEARBEAM_TEST_POSTGRES)");
        return;
    }
    const std::string token = md5Hex("Nearbeam: " + md5Hex("pw"));
    static std::atomic<int> next{0};
    for (auto _ : state) {
        const int n = next++;
        std::string body =
            "- login\nbench\n" + token + "\n- buildings\n4294967295\t0\t21\tHall\t\t3\n- aps\n";
        for (int j = 0; j < 9; ++j) {
            char key[13];
            std::snprintf(key, sizeof key, "ee%08x%02x", n, j);
            body += std::string(key) + "\t4294967295\t0\t1\tRoom\t3\n";
        }
        body += "- end\n";
        HttpRequest request{"POST", "/text/?action=location.uploadText", body, "", "127.0.0.1"};
        if (s.routes->answer(request).body.rfind("- nearbeam ok\n", 0) != 0)
            state.SkipWithError("an upload was refused");
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(download, sqlite, false)->Threads(1)->Threads(64)->UseRealTime();
BENCHMARK_CAPTURE(download, postgresql, true)->Threads(1)->Threads(64)->UseRealTime();
BENCHMARK_CAPTURE(upload, sqlite, false)->Threads(1)->Threads(64)->UseRealTime();
BENCHMARK_CAPTURE(upload, postgresql, true)->Threads(1)->Threads(64)->UseRealTime();

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
