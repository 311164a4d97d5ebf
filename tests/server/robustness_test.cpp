// The server under strain, as the real program in a child process: killed in the
// middle of many uploads, loaded by many clients, held by bad ones, and two of
// them sharing one PostgreSQL database.

#include "server/server_process.h"
#include "support/http_exchange.h"

#include "net/uploader.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <sstream>

namespace nearbeam::test {
namespace {

using namespace std::chrono_literals;

const std::string kDemo = std::string(NEARBEAM_SOURCE_DIR) + "/data/demo/server";
// Every client here comes from one address.
const std::vector<std::string> kNoLimits = {"--upload-limit",
                                            "0",
                                            "--download-limit",
                                            "0",
                                            "--login-limit",
                                            "0",
                                            "--max-connections-per-address",
                                            "1000"};

// The storage of the child processes, holding the demo's records and the user
// "crash": a SQLite folder, or a schema of its own in the test PostgreSQL server
// (NEARBEAM_TEST_POSTGRES, which the test command starts).
struct TestDatabase {
    explicit TestDatabase(bool postgres) {
        args = {"--data", dir.folder()};
        const char* url = std::getenv("NEARBEAM_TEST_POSTGRES");
        if (postgres && (!url || !*url)) {
            error = "NEARBEAM_TEST_POSTGRES is not set: start one with scripts/test-postgres";
            return;
        }
        if (postgres) {
            static std::atomic<int> counter{0};
            schema = "robust_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
            const std::string base(url);
            // The server's connections are named after the schema, for a test to find.
            args.insert(args.end(),
                        {"--database", base + (base.find('?') != std::string::npos ? "&" : "?") +
                                           "options=-csearch_path%3D" + schema +
                                           "&application_name=" + schema});
            PGconn* c = PQconnectdb(url);
            PQclear(PQexec(c, ("CREATE SCHEMA " + schema).c_str()));
            PQfinish(c);
        }
        const Finished imported = runServer(with({"import", kDemo}));
        const Finished added = runServer(with({"user", "add", "crash"}), "pw\n");
        if (imported.status != 0 || added.status != 0)
            error = imported.output + added.output;
    }
    std::vector<std::string> with(std::vector<std::string> more) const {
        more.insert(more.end(), args.begin(), args.end());
        return more;
    }

    TempDir dir;
    std::string schema; // PostgreSQL's
    std::vector<std::string> args;
    std::string error;
};

std::string post(const std::string& body) {
    return "POST /text/?action=location.uploadText HTTP/1.0\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string get(const std::string& bssid) {
    return "GET /text/?action=location.downloadText&bssid=" + bssid + " HTTP/1.0\r\n\r\n";
}

// Upload n: a building in the demo's Bergen and nine access points in it, ten
// records, the access points' addresses made from n.
std::string apKey(int n, int j) {
    char key[32];
    std::snprintf(key, sizeof key, "0e%06x%02x00", n & 0xffffff, j & 0xff);
    return key;
}
std::string uploadBody(int n, const std::string& token) {
    std::string body = "- login\ncrash\n" + token + "\n- buildings\n4294967295\t0\t21\tCrash " +
                       std::to_string(n) + "\t\t3\n- aps\n";
    for (int j = 0; j < 9; ++j)
        body += apKey(n, j) + "\t4294967295\t0\t1\tRoom " + std::to_string(j) + "\t3\n";
    return body + "- end\n";
}

bool answeredOk(const std::string& answer) {
    const std::string body = bodyOf(answer);
    return body.rfind("- nearbeam ok\n", 0) == 0 && body.size() >= 6 &&
           body.compare(body.size() - 6, 6, "- end\n") == 0;
}

// Runs `work(i)` for i in [0, count) on `clients` threads.
void onClients(int clients, int count, const std::function<void(int)>& work) {
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&] {
            for (int i; (i = next++) < count;)
                work(i);
        });
    for (auto& t : threads)
        t.join();
}

// Every upload i whose reply is replies[i] is in the database whole or not at all,
// and whole when it was answered "- nearbeam ok", as that reply gave it. The
// number answered so.
int answeredUploadsAreWhole(const TestDatabase& db, const std::vector<std::string>& replies) {
    TempDir exported;
    EXPECT_EQ(runServer(db.with({"export", exported.folder()})).status, 0);
    std::map<std::string, std::string> aps; // address -> line as downloaded
    std::istringstream apLines(exported.read("ap.txt"));
    for (std::string line; std::getline(apLines, line);)
        aps[line.substr(0, 12)] = line.substr(0, line.rfind('\t')); // without status and CR
    const std::string buildings = exported.read("building.txt");
    int whole = 0;
    for (int i = 0; i < static_cast<int>(replies.size()); ++i) {
        int present = 0;
        for (int j = 0; j < 9; ++j)
            present += aps.count(apKey(i, j)) ? 1 : 0;
        const bool building =
            buildings.find("\tCrash " + std::to_string(i) + "\t") != std::string::npos;
        EXPECT_TRUE((present == 0 && !building) || (present == 9 && building))
            << "upload " << i << " is there in part: " << present << " access points";
        if (answeredOk(replies[i])) {
            ++whole;
            EXPECT_EQ(present, 9) << "upload " << i << " was answered but is not there";
            for (int j = 0; j < 9; ++j)
                EXPECT_NE(replies[i].find("\n" + aps[apKey(i, j)] + "\n"), std::string::npos)
                    << "upload " << i;
        }
        if (::testing::Test::HasFailure())
            break; // one upload's account of what is wrong is enough
    }
    return whole;
}

class Robustness : public ::testing::TestWithParam<bool> {};

// SIGKILL at random moments while 1,000 uploads run 64 at a time: after a
// restart every upload that was answered "- nearbeam ok" is there whole, as its
// reply gave it, and no upload is there in part.
TEST_P(Robustness, AKilledServerKeepsEveryAnsweredUploadWholeAndNoneInPart) {
    TestDatabase db(GetParam());
    ASSERT_EQ(db.error, "");
    const std::string token = Uploader::makeLoginToken(L"pw");
    std::mt19937 random(std::random_device{}());

    constexpr int kUploads = 1000;
    std::vector<std::string> replies(kUploads);
    std::atomic<int> next{0};
    for (int round = 0; round < 4 && next < kUploads; ++round) {
        ServerProcess server(db.with(kNoLimits));
        ASSERT_NE(server.port(), 0) << server.output();
        // Killed once a random number of uploads were answered, a random moment
        // later; the last round runs to the end.
        std::atomic<int> answered{0};
        std::thread killer;
        if (round < 3)
            killer = std::thread([&] {
                const int after = std::uniform_int_distribution<int>(5, 150)(random);
                while (answered < after && next < kUploads)
                    std::this_thread::sleep_for(1ms);
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 30)(random)));
                server.stop(SIGKILL);
            });
        std::vector<std::thread> clients;
        for (int c = 0; c < 64; ++c)
            clients.emplace_back([&] {
                for (int i; (i = next++) < kUploads;) {
                    replies[i] = exchange(server.port(), post(uploadBody(i, token)));
                    if (answeredOk(replies[i]))
                        ++answered;
                    else if (replies[i].empty() || replies[i].rfind("no connection", 0) == 0)
                        break; // the server is gone
                }
            });
        for (auto& t : clients)
            t.join();
        if (killer.joinable())
            killer.join();
    }

    EXPECT_GT(answeredUploadsAreWhole(db, replies), 0) << replies[kUploads - 1];
}

// 200 clients, 20,000 requests: downloads of what the demo knows and of what
// nobody knows, and uploads; every answer is right and none is refused.
TEST_P(Robustness, TwoHundredClientsGetEveryAnswerRight) {
    TestDatabase db(GetParam());
    ASSERT_EQ(db.error, "");
    const std::string token = Uploader::makeLoginToken(L"pw");
    ServerProcess server(db.with(kNoLimits));
    ASSERT_NE(server.port(), 0) << server.output();
    const std::string known = exchange(server.port(), get("001a1e4c1001"));
    ASSERT_NE(bodyOf(known).find("\tReading room\n"), std::string::npos) << known;

    std::atomic<int> wrong{0};
    std::mutex mutex;
    std::string firstWrong;
    onClients(200, 20000, [&](int i) {
        std::string answer;
        bool right = false;
        if (i % 10 == 0) {
            answer = exchange(server.port(), post(uploadBody(i, token)));
            right =
                answeredOk(answer) && answer.find("\n" + apKey(i, 8) + "\t") != std::string::npos;
        } else if (i % 10 < 6) {
            answer = exchange(server.port(), get("001a1e4c1001"));
            right = answer == known;
        } else {
            answer = exchange(server.port(), get("ffffff" + apKey(i, 0).substr(6)));
            right = statusLine(answer) == "HTTP/1.0 200 OK" && bodyOf(answer) == "- end\n";
        }
        if (!right && wrong++ == 0) {
            std::lock_guard<std::mutex> lock(mutex);
            firstWrong = "request " + std::to_string(i) + ": " + answer;
        }
    });
    EXPECT_EQ(wrong, 0) << firstWrong;
}

INSTANTIATE_TEST_SUITE_P(, Robustness, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PostgreSQL" : "SQLite"; });

// 500 connections that send nothing or a byte now and then do not keep a new
// client from its answer; a 100 MB body is refused on its head.
TEST(BadClients, DoNotStopAGoodOneAndAHugeBodyIsRefusedUnread) {
    TestDatabase db(false);
    ASSERT_EQ(db.error, "");
    ServerProcess server(db.with({"--head-timeout", "600", "--body-timeout", "600",
                                  "--max-connections-per-address", "1000"}));
    ASSERT_NE(server.port(), 0) << server.output();
    std::vector<net::Socket> bad;
    for (int i = 0; i < 500; ++i) {
        bad.push_back(connectLoopback(server.port()));
        ASSERT_TRUE(bad.back().valid()) << i;
        if (i % 2)
            bad.back().sendAll("G", 1, 1000);
    }
    // Answered long before the ten minutes the bad ones are allowed.
    EXPECT_EQ(bodyOf(exchange(server.port(), get("001122334455"))), "- end\n");

    net::Socket huge = connectLoopback(server.port());
    const std::string head =
        "POST /text/?action=location.uploadText HTTP/1.0\r\nContent-Length: 100000000\r\n\r\n";
    ASSERT_TRUE(huge.sendAll(head.data(), head.size(), 2000));
    const std::string answer = readAll(huge);
    EXPECT_EQ(statusLine(answer), "HTTP/1.0 413 Payload Too Large");
    const std::string chunk(1 << 20, 'x');
    int sent = 0;
    while (sent < 100 && huge.sendAll(chunk.data(), chunk.size(), 2000))
        ++sent;
    EXPECT_LT(sent, 100); // the server stopped taking it
}

// A small file system of its own (a tmpfs mounted on a temporary folder), to be
// filled up. `error` says why there is none: mounting needs root, and a
// container may not allow it.
struct SmallDisk {
    SmallDisk() {
        if (::mount("tmpfs", dir.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=8m") != 0)
            error = std::string("cannot mount a tmpfs for a full disk: ") + std::strerror(errno);
    }
    ~SmallDisk() {
        if (error.empty())
            ::umount2(dir.path().c_str(), MNT_DETACH);
    }
    // Writes a file until the disk is full.
    void fill() {
        std::FILE* f = std::fopen(dir.file("filler").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const std::string block(65536, 'x');
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0)
            ;
        std::fclose(f);
    }
    void release() { std::remove(dir.file("filler").c_str()); }

    TempDir dir;
    std::string error;
};

// On a full disk an upload is answered that the server cannot store records now,
// and /healthz says 503 with the reason, while downloads go on; once the disk has
// room, the server is healthy again and the next upload is stored.
TEST(FullDisk, AnUploadIsAStorageFailureAndTheHealthCheckSaysSo) {
    SmallDisk disk;
    if (!disk.error.empty())
        GTEST_SKIP() << disk.error;
    const std::vector<std::string> data = {"--data", disk.dir.folder()};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.end(), data.begin(), data.end());
        return more;
    };
    ASSERT_EQ(runServer(with({"import", kDemo})).status, 0);
    ASSERT_EQ(runServer(with({"user", "add", "crash"}), "pw\n").status, 0);
    ServerProcess server(with(kNoLimits));
    ASSERT_NE(server.port(), 0) << server.output();
    const std::string token = Uploader::makeLoginToken(L"pw");
    const std::string health = "GET /healthz HTTP/1.0\r\n\r\n";
    ASSERT_EQ(bodyOf(exchange(server.port(), health)), "ok\n");

    disk.fill();
    EXPECT_EQ(bodyOf(exchange(server.port(), post(uploadBody(1, token)))),
              "- error The map server cannot store records now; try again later.\n- end\n");
    const std::string unhealthy = exchange(server.port(), health);
    EXPECT_EQ(statusLine(unhealthy), "HTTP/1.0 503 Service Unavailable");
    EXPECT_EQ(bodyOf(unhealthy).rfind("The storage failed to store the last upload", 0), 0u)
        << unhealthy;
    EXPECT_NE(bodyOf(exchange(server.port(), get("001a1e4c1001"))).find("\tReading room\n"),
              std::string::npos);

    // With room again, the health check finds it out by itself (it tries a write
    // at most every 10 seconds): a load balancer that sends nothing to a server
    // it finds unhealthy would never send the upload that would tell.
    disk.release();
    std::string healthy;
    for (int i = 0; i < 600 && (healthy = bodyOf(exchange(server.port(), health))) != "ok\n"; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(healthy, "ok\n");
    EXPECT_TRUE(answeredOk(exchange(server.port(), post(uploadBody(2, token)))));
    server.stop(SIGTERM);
    TempDir exported;
    ASSERT_EQ(runServer({"export", exported.folder(), "--data", disk.dir.folder()}).status, 0);
    const std::string aps = exported.read("ap.txt");
    EXPECT_EQ(aps.find(apKey(1, 0)), std::string::npos);
    EXPECT_NE(aps.find(apKey(2, 0)), std::string::npos);
}

// PostgreSQL ends every connection of an idle server (as a restart does): the
// next requests are answered all the same, each on a new connection.
TEST(PostgresRestart, AnIdleServerReconnectsAndAnswersTheNextRequests) {
    TestDatabase db(true);
    ASSERT_EQ(db.error, "");
    ServerProcess server(db.with(kNoLimits));
    ASSERT_NE(server.port(), 0) << server.output();
    const std::string known = exchange(server.port(), get("001a1e4c1001"));
    ASSERT_NE(bodyOf(known).find("\tReading room\n"), std::string::npos) << known;
    // More pooled: addresses asked once each, so no reply kept from lately answers.
    const auto unknown = [](int i) { return get("ffffff" + apKey(i, 0).substr(6)); };
    onClients(8, 64, [&](int i) { exchange(server.port(), unknown(i)); });

    PGconn* admin = PQconnectdb(std::getenv("NEARBEAM_TEST_POSTGRES"));
    PGresult* ended = PQexec(admin, ("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                     "WHERE application_name = '" +
                                     db.schema + "'")
                                        .c_str());
    ASSERT_EQ(PQresultStatus(ended), PGRES_TUPLES_OK) << PQerrorMessage(admin);
    EXPECT_GT(PQntuples(ended), 1);
    PQclear(ended);
    PQfinish(admin);

    const std::string token = Uploader::makeLoginToken(L"pw");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bodyOf(exchange(server.port(), unknown(100 + i))), "- end\n") << i;
        EXPECT_TRUE(answeredOk(exchange(server.port(), post(uploadBody(i, token))))) << i;
        EXPECT_EQ(bodyOf(exchange(server.port(), "GET /healthz HTTP/1.0\r\n\r\n")), "ok\n") << i;
    }
}

// Two server processes on one PostgreSQL database: an upload through one is
// downloaded through the other.
TEST(ScaleOut, AnUploadThroughOneServerIsDownloadedThroughAnother) {
    TestDatabase db(true);
    ASSERT_EQ(db.error, "");
    ServerProcess one(db.with({}));
    ServerProcess two(db.with({}));
    ASSERT_NE(one.port(), 0) << one.output();
    ASSERT_NE(two.port(), 0) << two.output();
    const std::string uploaded =
        exchange(one.port(), post(uploadBody(7, Uploader::makeLoginToken(L"pw"))));
    ASSERT_TRUE(answeredOk(uploaded)) << uploaded;
    const std::string downloaded = bodyOf(exchange(two.port(), get(apKey(7, 3))));
    EXPECT_NE(downloaded.find("\tCrash 7\t"), std::string::npos) << downloaded;
    EXPECT_NE(downloaded.find(apKey(7, 3) + "\t"), std::string::npos) << downloaded;
}

// A figure of /proc/PID/status in kB ("VmRSS", "VmHWM"); 0 when not there.
long statusKb(pid_t pid, const std::string& name) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name + ":", 0) == 0)
            return std::stol(line.substr(name.size() + 1));
    return 0;
}

// A building with more and longer scans than a download hands out, downloaded by
// eight clients at once: the server's resident memory at its highest stays within
// 64 MB of what it was before, idle.
TEST(BoundedScans, EightDownloadsOfTheLargestBuildingKeepMemoryNearIdle) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Their shadow memory grows with the program's, and AddressSanitizer keeps
    // freed memory resident a while (its quarantine).
    GTEST_SKIP() << "not measured under a sanitizer";
#endif
    TestDatabase db(false);
    ASSERT_EQ(db.error, "");
    ServerProcess server(db.with(kNoLimits));
    ASSERT_NE(server.port(), 0) << server.output();
    // The longest scans a line takes, in the building of the demo's reading room
    // (41): 200 an upload, 2,200 in all.
    // Each upload's scans its own (the same scan is stored once).
    auto scansOf = [](int upload) {
        std::string scans;
        for (int i = 0; i < 200; ++i) {
            scans += "41\t" + std::string(100, 'f') + "\t" + std::string(190, 'l') +
                     std::to_string(i) + "\t2026-12-08T09:15:00Z";
            for (int j = 0; j < 60; ++j) {
                char reading[24];
                std::snprintf(reading, sizeof reading, "\t%02x12%04x%04x:-100", upload, i, j);
                scans += reading;
            }
            scans += "\n";
        }
        return scans;
    };
    const std::string token = Uploader::makeLoginToken(L"pw");
    // And 24 access points there, each download of one a reply of its own.
    std::string aps = "- aps\n";
    for (int i = 0; i < 24; ++i)
        aps += apKey(7000, i) + "\t41\t0\t1\tRoom\t3\n";
    for (int n = 0; n < 11; ++n) {
        const std::string reply = exchange(server.port(), post("- login\ncrash\n" + token + "\n" +
                                                               aps + "- scans\n" + scansOf(n)));
        ASSERT_TRUE(answeredOk(reply)) << reply.substr(0, 300);
    }
    const std::string first = bodyOf(exchange(server.port(), get(apKey(7000, 0) + "&scans=1")));
    ASSERT_GT(first.size(), 400000u) << first.substr(0, 300);

    // The highest resident memory from here on (clear_refs 5 resets it).
    std::ofstream(("/proc/" + std::to_string(server.pid()) + "/clear_refs").c_str()) << "5";
    const long idle = statusKb(server.pid(), "VmRSS");
    ASSERT_GT(idle, 0);
    onClients(8, 24, [&](int i) {
        EXPECT_EQ(bodyOf(exchange(server.port(), get(apKey(7000, i) + "&scans=1"))).size(),
                  first.size());
    });
    const long peak = statusKb(server.pid(), "VmHWM");
    std::printf("resident memory: idle %ld kB, highest %ld kB (%.2f times idle)\n", idle, peak,
                static_cast<double>(peak) / static_cast<double>(idle));
    EXPECT_LT(peak - idle, 64 * 1024);
}

// A loopback port free now, for a program that takes its port from its options.
uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

// Debian's haproxy with the configuration the README shows (scripts/haproxy.cfg)
// in front of two servers on loopback, its output in a file of its own.
class Haproxy {
  public:
    Haproxy(uint16_t one, uint16_t two) : port_(freePort()) {
        pid_ = fork();
        if (pid_ == 0) {
            const auto at = [](uint16_t port) { return "127.0.0.1:" + std::to_string(port); };
            setenv("NEARBEAM_FRONT", at(port_).c_str(), 1);
            setenv("NEARBEAM_ONE", at(one).c_str(), 1);
            setenv("NEARBEAM_TWO", at(two).c_str(), 1);
            FILE* out = std::fopen(dir_.file("output").c_str(), "w");
            dup2(fileno(out), STDOUT_FILENO);
            dup2(fileno(out), STDERR_FILENO);
            const std::string config = std::string(NEARBEAM_SOURCE_DIR) + "/scripts/haproxy.cfg";
            execlp("haproxy", "haproxy", "-db", "-f", config.c_str(), nullptr);
            _exit(127);
        }
        // Until it passes a health check on, within a bound only a stuck start reaches.
        for (int i = 0; i < 600 && !healthy(); ++i)
            std::this_thread::sleep_for(50ms);
    }
    ~Haproxy() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    uint16_t port() const { return port_; }
    std::string output() const { return dir_.read("output"); }
    bool healthy() const {
        return bodyOf(exchange(port_, "GET /healthz HTTP/1.0\r\n\r\n")) == "ok\n";
    }

  private:
    TempDir dir_;
    uint16_t port_;
    pid_t pid_ = -1;
};

// Two servers on one PostgreSQL database behind haproxy, one of them killed in
// the middle of uploads and downloads: every upload answered is there afterwards,
// downloads carry on through the other, and an upload through one server is
// downloaded through the other once the reply it kept (for a second) is gone.
TEST(ScaleOut, TwoServersBehindHaproxyLoseNothingWhenOneIsKilled) {
    TestDatabase db(true);
    ASSERT_EQ(db.error, "");
    std::vector<std::string> args = db.with(kNoLimits);
    args.insert(args.end(), {"--trusted-proxy", "127.0.0.1"});
    ServerProcess one(args);
    ServerProcess two(args);
    ASSERT_NE(one.port(), 0) << one.output();
    ASSERT_NE(two.port(), 0) << two.output();
    Haproxy proxy(one.port(), two.port());
    ASSERT_TRUE(proxy.healthy()) << proxy.output();
    // The configuration run is the one the README shows.
    std::ifstream config(std::string(NEARBEAM_SOURCE_DIR) + "/scripts/haproxy.cfg");
    std::ifstream readme(std::string(NEARBEAM_SOURCE_DIR) + "/README.md");
    const std::string shown((std::istreambuf_iterator<char>(readme)),
                            std::istreambuf_iterator<char>());
    for (std::string line; std::getline(config, line);)
        EXPECT_TRUE(line.empty() || line[0] == '#' ||
                    shown.find("\n    " + line + "\n") != std::string::npos)
            << line;
    const std::string token = Uploader::makeLoginToken(L"pw");

    // Two keeps its reply that nobody knows the access point; one stores it.
    constexpr int kFresh = 5000;
    ASSERT_EQ(bodyOf(exchange(two.port(), get(apKey(kFresh, 0)))), "- end\n");
    ASSERT_TRUE(answeredOk(exchange(one.port(), post(uploadBody(kFresh, token)))));
    const auto stored = std::chrono::steady_clock::now();
    std::string fresh;
    while ((fresh = bodyOf(exchange(two.port(), get(apKey(kFresh, 0))))) == "- end\n" &&
           std::chrono::steady_clock::now() - stored < 10s)
        std::this_thread::sleep_for(10ms);
    EXPECT_NE(fresh.find("\tCrash 5000\t"), std::string::npos) << fresh;
    // The kept second, and as much again for a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - stored, 2s);

    constexpr int kUploads = 300;
    std::vector<std::string> replies(kUploads);
    std::atomic<int> next{0}, answered{0}, downloadsAfter{0}, failedAfter{0};
    std::atomic<bool> killed{false};
    std::mutex mutex;
    std::string firstFailed;
    std::thread killer([&] {
        while (answered < 60 && next < kUploads)
            std::this_thread::sleep_for(1ms);
        one.stop(SIGKILL);
        killed = true;
    });
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c) {
        clients.emplace_back([&] {
            for (int i; (i = next++) < kUploads;)
                if (answeredOk(replies[i] = exchange(proxy.port(), post(uploadBody(i, token)))))
                    ++answered;
        });
        clients.emplace_back([&] {
            while (next < kUploads) {
                const bool after = killed;
                const std::string answer = exchange(proxy.port(), get("001a1e4c1001"));
                if (!after)
                    continue;
                ++downloadsAfter;
                if (bodyOf(answer).find("\tReading room\n") == std::string::npos &&
                    failedAfter++ == 0) {
                    std::lock_guard<std::mutex> lock(mutex);
                    firstFailed = answer;
                }
            }
        });
    }
    for (auto& t : clients)
        t.join();
    killer.join();
    ASSERT_TRUE(killed);
    EXPECT_GT(downloadsAfter, 0);
    EXPECT_EQ(failedAfter, 0) << firstFailed;
    EXPECT_GT(answeredUploadsAreWhole(db, replies), 60);
    EXPECT_TRUE(proxy.healthy()) << proxy.output();
}

} // namespace
} // namespace nearbeam::test
