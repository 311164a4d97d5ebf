// Uploads through the whole server, as the program sends them: HTTP/1.0, a new
// connection each, 64 clients at once, every upload ten records never seen
// before (a building and nine access points), on SQLite and (when
// NEARBEAM_TEST_POSTGRES names a server) PostgreSQL. scripts/bench-server runs
// it beside the download figures.

#include "net/md5.h"
#include "server/accounts/accounts.h"
#include "server/http/server.h"
#include "server/location_service.h"
#include "server/routes.h"
#include "server/storage/open_storage.h"
#include "server/storage/storage.h"
#include "support/http_exchange.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace nearbeam {
namespace {

struct Served {
    test::TempDir dir;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<LocationService> service;
    std::unique_ptr<Routes> routes;
    std::unique_ptr<HttpServer> http;
};

// A server on a storage with a city and a user, started once per back end.
Served* served(bool postgres) {
    static Served cache[2];
    static std::mutex making;
    std::lock_guard<std::mutex> lock(making);
    Served& s = cache[postgres];
    if (s.http)
        return &s;
    const char* url = std::getenv("NEARBEAM_TEST_POSTGRES");
    if (postgres && (!url || !*url))
        return nullptr;
    std::string error;
    s.storage = openStorage(postgres ? url : "", s.dir.folder(), error);
    if (s.storage)
        s.storage->write(
            [](Transaction& r) {
                return r.put(StoredKind::City, {21, 0, 0, 0, "Bergen", "", ""});
            },
            error);
    if (!s.storage || !addUser(*s.storage, "bench", "pw", error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return nullptr;
    }
    s.service = std::make_unique<LocationService>(*s.storage);
    s.routes = std::make_unique<Routes>(*s.service);
    HttpServer::Options options;
    options.maxConnectionsPerAddress = options.maxConnections; // every client is this machine
    s.http = std::make_unique<HttpServer>(
        options, [&s](const HttpRequest& request) { return s.routes->answer(request); });
    if (!s.http->open(error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return nullptr;
    }
    s.http->start();
    return &s;
}

void upload(benchmark::State& state, bool postgres) {
    Served* s = served(postgres);
    if (!s) {
        state.SkipWithError("no storage");
        return;
    }
    static std::atomic<unsigned> next{0};
    const std::string login = "- login\nbench\n" + loginToken("pw") + "\n";
    for (auto _ : state) {
        const unsigned n = next++;
        std::string body =
            login + "- buildings\n4294967295\t0\t21\tHall " + std::to_string(n) + "\t\t3\n- aps\n";
        for (unsigned j = 0; j < 9; ++j) {
            char key[32];
            std::snprintf(key, sizeof key, "%02x%08x%02x", 0xb0 + postgres, n, j);
            body += std::string(key) + "\t4294967295\t0\t1\tRoom\t3\n";
        }
        body += "- end\n";
        const std::string answer = test::exchange(
            s->http->port(), "POST /text/?action=location.uploadText HTTP/1.0\r\nContent-Length: " +
                                 std::to_string(body.size()) + "\r\n\r\n" + body);
        if (test::bodyOf(answer).rfind("- nearbeam ok\n", 0) != 0)
            state.SkipWithError("an upload was not stored");
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(upload, sqlite, false)->Threads(64)->UseRealTime();
BENCHMARK_CAPTURE(upload, postgresql, true)->Threads(64)->UseRealTime();

} // namespace
} // namespace nearbeam

BENCHMARK_MAIN();
