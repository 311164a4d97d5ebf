// The real nearbeam-server as operators run it and as the program meets it.

#include "server/server_process.h"
#include "support/http_exchange.h"

#include "base/memory_settings_store.h"
#include "base/password_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "locate/location_database.h"
#include "locate/place_decision.h"
#include "net/curl_transport.h"
#include "net/location_download.h"
#include "net/uploader.h"
#include "net/web_agent.h"
#include "ui/set_location_wizard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

namespace nearbeam::test {
namespace {

const std::string kDemo = std::string(NEARBEAM_SOURCE_DIR) + "/data/demo/server";

// One Nearbeam program: its data folder, settings and the parts that talk to the
// server, pointed at the server's port.
struct Program {
    explicit Program(uint16_t port) {
        database.openDatabase(dir.folder());
        database.setDownloadService(&download);
        settings::write(settings, settings::Server, widen("127.0.0.1:" + std::to_string(port)));
    }
    ~Program() {
        database.setDownloadService(nullptr);
        agent.stop();
    }
    int32_t lookUp(const char* digits, LocationRecord** record = nullptr) {
        database.lookUpLocation(*BssidKey::fromText(digits), nullptr);
        agent.runPending();
        return database.lookUpLocation(*BssidKey::fromText(digits), record);
    }

    TempDir dir;
    MemorySettingsStore settings;
    PlainPasswordStore passwords{settings};
    LocationDatabase database{settings};
    CurlTransport transport;
    ManualClock clock{1000000};
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    LocationDownload download{agent, database, settings, clock};
    std::vector<std::wstring> messages;
    Uploader uploader{agent, database, settings, passwords,
                      [this](const std::wstring& text) { messages.push_back(text); }};
};

// Download, place, upload, download: an access point nobody knew, placed by one
// user of the demo map, is known to the next program that asks.
TEST(ServerProgram, APlaceMadeAndUploadedIsDownloadedByTheNext) {
    TempDir data;
    ASSERT_EQ(runServer({"import", kDemo, "--data", data.folder()}).status, 0);
    ServerProcess server({"--data", data.folder()});
    ASSERT_NE(server.port(), 0) << server.output();

    Program first(server.port());
    EXPECT_EQ(first.lookUp("0a1b2c3d4e5f"), lookup_status::NotPlaced);
    SetLocationWizard wizard(first.database, *BssidKey::fromText("0a1b2c3d4e5f"), nullptr);
    ASSERT_EQ(wizard.placeNext("Norway", "Vestland", "Bergen"), std::nullopt);
    wizard.areaNext("Harbour");
    ASSERT_EQ(wizard.finish({"Bus Shelter", "Quay 1", "1", "Bench"}), std::nullopt);
    settings::write(first.settings, settings::Username, L"demo");
    first.passwords.write(L"nearbeam");
    ASSERT_TRUE(first.uploader.startUpload(nullptr));
    first.agent.runPending();
    ASSERT_EQ(first.messages.size(), 1u);
    EXPECT_EQ(first.messages[0].rfind(L"Upload successful! ", 0), 0u) << first.messages[0];

    Program next(server.port());
    LocationRecord* record = nullptr;
    ASSERT_EQ(next.lookUp("0a1b2c3d4e5f", &record), lookup_status::Found);
    EXPECT_EQ(record->buildingName(), "Bus Shelter");
    EXPECT_EQ(next.dir.read("area.txt"), "32\t21\tHarbour\t0\r\n");

    EXPECT_EQ(server.stop(SIGTERM), 0);
    const std::string log = server.output();
    EXPECT_NE(log.find(" POST /text/?action=location.uploadText 200 "), std::string::npos) << log;
    EXPECT_EQ(log.find(Uploader::makeLoginToken(L"nearbeam")), std::string::npos);
}

// A survey made by one program reaches the next through the server and names
// the floor there that the access points alone get wrong; a purge of its user
// takes it off the map again.
TEST(ServerProgram, SurveyScansMadeByOneProgramReachTheNextAndAPurgeTakesThemBack) {
    TempDir data;
    ASSERT_EQ(runServer({"import", kDemo, "--data", data.folder()}).status, 0);
    ServerProcess server({"--data", data.folder()});
    ASSERT_NE(server.port(), 0) << server.output();

    // A new building: the bench's access point on the first floor, the roof's on
    // the second.
    Program first(server.port());
    EXPECT_EQ(first.lookUp("0a1b2c3d4e5f"), lookup_status::NotPlaced);
    for (const auto& [digits, floor, location] : {std::make_tuple("0a1b2c3d4e5f", "1", "Bench"),
                                                  std::make_tuple("0a1b2c3d4e61", "2", "Roof")}) {
        SetLocationWizard wizard(first.database, *BssidKey::fromText(digits), nullptr);
        ASSERT_EQ(wizard.placeNext("Norway", "Vestland", "Bergen"), std::nullopt);
        wizard.areaNext("Quayside");
        ASSERT_EQ(wizard.finish({"Bus Shelter", "Quay 1", floor, location}), std::nullopt);
    }
    // The survey of the new building, under its local identifier: on the roof
    // the bench's access point, just below, is as strong as the roof's own.
    const std::string ap = first.dir.read("ap.txt");
    const std::string local = ap.substr(13, ap.find('\t', 13) - 13);
    const auto scan = [](const std::string& building, const char* rest) {
        return building + "\t" + rest + "\r\n";
    };
    const char* const bench =
        "1\tBench\t3\t2026-12-08T09:15:00Z\t0a1b2c3d4e5f:-40\t0a1b2c3d4e60:-71";
    const char* const roofs[] = {
        "2\tRoof\t3\t2026-12-08T09:20:00Z\t0a1b2c3d4e61:-45\t0a1b2c3d4e5f:-44",
        "2\tRoof\t3\t2026-12-08T09:21:00Z\t0a1b2c3d4e61:-46\t0a1b2c3d4e5f:-42",
        "2\tRoof\t3\t2026-12-08T09:22:00Z\t0a1b2c3d4e61:-44\t0a1b2c3d4e5f:-43"};
    first.dir.write("scans.txt", scan(local, bench) + scan(local, roofs[0]) +
                                     scan(local, roofs[1]) + scan(local, roofs[2]));
    settings::write(first.settings, settings::Username, L"demo");
    first.passwords.write(L"nearbeam");
    ASSERT_TRUE(first.uploader.startUpload(nullptr));
    first.agent.runPending();
    ASSERT_EQ(first.messages.size(), 1u);
    EXPECT_NE(first.messages[0].find(L" and 4 scans stored."), std::wstring::npos)
        << first.messages[0];
    // The server's copies, under the server's identifier of the building.
    const std::string placed = first.dir.read("ap.txt");
    const std::string building = placed.substr(13, placed.find('\t', 13) - 13);
    EXPECT_NE(building, local);
    const auto served = [&](const char* rest) {
        std::string line = scan(building, rest);
        line[line.find("\t3\t") + 1] = '0';
        return line;
    };
    const std::string survey =
        served(bench) + served(roofs[0]) + served(roofs[1]) + served(roofs[2]);
    EXPECT_EQ(first.dir.read("scans.txt"), survey);

    // The next program gets the building's scans with its first access point,
    // newest first, their times cut to the day.
    const auto downloaded = [&](const char* rest) {
        std::string line = served(rest);
        return line.replace(line.find("T09:"), 9, "T00:00:00");
    };
    Program next(server.port());
    ASSERT_EQ(next.lookUp("0a1b2c3d4e60"), lookup_status::NotPlaced);
    EXPECT_FALSE(next.dir.exists("scans.txt"));
    LocationRecord* benchRecord = nullptr;
    LocationRecord* roofRecord = nullptr;
    ASSERT_EQ(next.lookUp("0a1b2c3d4e5f", &benchRecord), lookup_status::Found);
    EXPECT_EQ(next.dir.read("scans.txt"), downloaded(roofs[2]) + downloaded(roofs[1]) +
                                              downloaded(roofs[0]) + downloaded(bench));
    EXPECT_EQ(next.dir.read("scanschecked.txt"), building + "\r\n");
    ASSERT_EQ(next.lookUp("0a1b2c3d4e61", &roofRecord), lookup_status::Found);

    // On the roof the bench's access point is the strongest: its vote alone
    // names the first floor, the survey the second.
    ASSERT_EQ(next.database.refreshScans(), "");
    const PlaceKey benchPlace{benchRecord->building->id, benchRecord->floor, benchRecord->location};
    const PlaceKey roofPlace{roofRecord->building->id, roofRecord->floor, roofRecord->location};
    const std::vector<HeardAccessPoint> onTheRoof = {
        {*BssidKey::fromText("0a1b2c3d4e5f"), -43, &benchPlace},
        {*BssidKey::fromText("0a1b2c3d4e61"), -45, &roofPlace}};
    EXPECT_EQ(decidePlace(onTheRoof, nullptr).place, benchPlace);
    EXPECT_EQ(decidePlace(onTheRoof, &next.database.scans()).place, roofPlace);

    // Purged while the server runs and keeps the database open: nothing of it
    // stays in the write-ahead log. (The database keeps the withdrawn upload's
    // records in the history, for a keeper to see or restore.)
    const Finished purge =
        runServer({"user", "remove", "demo", "--purge", "--data", data.folder()});
    EXPECT_EQ(purge.status, 0);
    EXPECT_EQ(purge.output,
              "removed demo and what it uploaded: 1 upload withdrawn; 4 scans, 2 access points, "
              "2 places taken back\n");
    ASSERT_TRUE(data.exists("nearbeam.db-wal"));
    EXPECT_EQ(data.read("nearbeam.db-wal").find("Bus Shelter"), std::string::npos);

    EXPECT_EQ(server.stop(SIGTERM), 0);
    const std::string log = server.output();
    EXPECT_NE(log.find(" GET /text/?action=location.downloadText&bssid=0a1b2c3d4e5f&scans=1 200 "),
              std::string::npos)
        << log;
    TempDir exported;
    ASSERT_EQ(runServer({"export", exported.folder(), "--data", data.folder()}).status, 0);
    EXPECT_EQ(exported.read("scans.txt"), "");
    EXPECT_EQ(exported.read("ap.txt").find("0a1b2c3d4e5f"), std::string::npos);
    EXPECT_EQ(exported.read("building.txt").find("Bus Shelter"), std::string::npos);
    EXPECT_EQ(exported.read("area.txt").find("Quayside"), std::string::npos);
    EXPECT_NE(exported.read("area.txt").find("Harbour"), std::string::npos);
    EXPECT_NE(exported.read("city.txt").find("Bergen"), std::string::npos);
    EXPECT_EQ(runServer({"export", exported.folder(), "--purge", "--data", data.folder()}).status,
              1);
}

TEST(ServerProgram, ManagesUsersReadingThePasswordFromStandardInput) {
    TempDir data;
    const mode_t umaskBefore = umask(022);
    const std::string d = data.folder();
    EXPECT_EQ(runServer({"user", "add", "ann", "--data", d}, "s3cret\n").status, 0);
    EXPECT_EQ(runServer({"user", "add", "bob", "--data", d}, "pw\n").status, 0);
    EXPECT_EQ(runServer({"user", "list", "--data", d}).output, "ann\nbob\n");
    // A keeper's role follows the last add of the name.
    EXPECT_EQ(runServer({"user", "add", "cid", "--keeper", "--data", d}, "pw\n").output,
              "added cid (keeper)\n");
    EXPECT_EQ(runServer({"user", "list", "--data", d}).output, "ann\nbob\ncid (keeper)\n");
    EXPECT_EQ(runServer({"user", "add", "cid", "--data", d}, "pw\n").output, "added cid\n");
    EXPECT_EQ(runServer({"user", "list", "--data", d}).output, "ann\nbob\ncid\n");
    EXPECT_EQ(runServer({"user", "remove", "cid", "--keeper", "--data", d}).status, 1);
    EXPECT_EQ(runServer({"user", "remove", "ann", "--data", d}).status, 0);
    EXPECT_EQ(runServer({"user", "list", "--data", d}).output, "bob\ncid\n");
    const Finished missing = runServer({"user", "remove", "ann", "--data", d});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output.rfind("nearbeam-server: ", 0), 0u);

    // Nothing of the password is in the folder in the clear, and what holds the
    // hashes is for its owner alone, even under a umask that lets all read.
    TempDir exported;
    ASSERT_EQ(runServer({"export", exported.folder(), "--data", d}).status, 0);
    umask(umaskBefore);
    EXPECT_EQ(exported.read("users.txt").find("s3cret"), std::string::npos);
    for (const std::string& file :
         {exported.file("users.txt"), exported.file("ap.txt"), data.file("nearbeam.db")}) {
        struct stat status {};
        ASSERT_EQ(stat(file.c_str(), &status), 0) << file;
        EXPECT_EQ(status.st_mode & 0777, 0600u) << file;
    }
}

// The manual page names every option --help names, and no other.
TEST(ServerProgram, TheManualPageListsTheOptionsOfHelp) {
    const auto options = [](const std::string& text) {
        std::set<std::string> found;
        for (size_t at = 0; (at = text.find("--", at)) != std::string::npos;) {
            const size_t end = text.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-", at);
            found.insert(text.substr(at, end - at));
            at = end;
        }
        return found;
    };
    const Finished help = runServer({"--help"});
    ASSERT_EQ(help.status, 0);
    std::ifstream page(std::string(NEARBEAM_SOURCE_DIR) + "/res/linux/nearbeam-server.1");
    std::string manual((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    for (size_t at = 0; (at = manual.find("\\-", at)) != std::string::npos;)
        manual.erase(at, 1); // roff's "\-" is a plain "-"
    const std::set<std::string> helped = options(help.output);
    EXPECT_GT(helped.size(), 20u);
    EXPECT_EQ(options(manual), helped);
}

// Whatever keeps it from serving is said in one line, and it ends with status 1.
TEST(ServerProgram, SaysInOneLineWhyItCannotServe) {
    TempDir data;
    ServerProcess holder({"--data", data.folder()});
    ASSERT_NE(holder.port(), 0);
    const std::string taken = std::to_string(holder.port());
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--port", taken}, "port " + taken + " is in use"},
        {{"--tls-cert", "/nonexistent/cert.pem", "--tls-key", "/nonexistent/key.pem"},
         "cannot use the certificate /nonexistent/cert.pem"},
        {{"--database", "postgresql:///nearbeam?host=/nonexistent"}, ""},
        {{"--port", "70000"}, "--port wants a whole number up to 65535"},
        {{"--frobnicate", "1"}, "unknown option --frobnicate"},
        {{"--trusted-proxy", "0.0.0.0/0"},
         "--trusted-proxy 0.0.0.0/0 would let most of the world name its own address"},
        {{"--trusted-proxy", "10.0.0.1", "--trusted-proxy", "2001:db8::/16"},
         "--trusted-proxy 2001:db8::/16 would"},
        {{"--forwarded-header", "x-real-ip"}, "--forwarded-header wants x-forwarded-for or"},
        {{"--ipv6-prefix", "40"}, "--ipv6-prefix goes from 48 to 128"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--data", data.folder()});
        const Finished run = runServer(args);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output.rfind("nearbeam-server: ", 0), 0u) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
    }
}

// The PostgreSQL address from a file only its owner may use; from --database
// too, with a warning when it holds a password, which shows in ps.
TEST(ServerProgram, TakesTheDatabaseAddressFromAFileKeptFromOthers) {
    const char* url = std::getenv("NEARBEAM_TEST_POSTGRES");
    ASSERT_TRUE(url && *url) << "NEARBEAM_TEST_POSTGRES is not set: see scripts/test-postgres";
    TempDir dir;
    auto file = [&](const char* name, const std::string& text, mode_t mode) {
        dir.write(name, text);
        chmod(dir.file(name).c_str(), mode);
        return dir.file(name);
    };
    const std::string address = std::string(url) + "&options=-csearch_path%3Dpg_temp";
    const std::string withPassword = address + "&password=secret"; // the test server trusts
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string output; // a part of it; empty: none but the users' list
    };
    const Case cases[] = {
        {{"--database-file", file("kept", "\n  " + address + " \n", 0600)}, 0, ""},
        {{"--database-file", file("readonly", address, 0400)}, 0, ""},
        {{"--database-file", file("shared", address, 0640)},
         1,
         "may be read or written by others than its owner; make it mode 0600"},
        {{"--database-file", file("empty", "\n \n", 0600)}, 1, "holds no address"},
        {{"--database-file", dir.file("none")}, 1, "cannot read the database file"},
        {{"--database-file", dir.file("kept"), "--database", address}, 1, "not both"},
        {{"--database", withPassword}, 0, "warning: the password in --database shows"},
        {{"--database", address}, 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"user", "list"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Finished run = runServer(args);
        EXPECT_EQ(run.status, c.status) << c.args[1] << ": " << run.output;
        if (c.output.empty())
            EXPECT_EQ(run.output, "") << c.args[1];
        else
            EXPECT_NE(run.output.find(c.output), std::string::npos) << run.output;
    }
}

} // namespace
} // namespace nearbeam::test
