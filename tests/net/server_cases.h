#pragma once
// The location download and the web agent against the loopback location server,
// over a real transport: libcurl (the native build) and WinInet (the
// Windows build, under Wine). A transport type provides
//   static std::unique_ptr<HttpTransport> make(HttpTimeouts timeouts);

#include "base/clock.h"
#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "locate/location_database.h"
#include "net/location_download.h"
#include "net/md5.h"
#include "net/server_records.h"
#include "net/web_agent.h"
#include "server/accounts/accounts.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace nearbeam::test {

// The client's files after the full download of 001122334455.
inline const std::pair<const char*, const char*> kDownloadedFiles[] = {
    {"country.txt", "7\tNorway\t0\r\n"},
    {"province.txt", "12\t7\tVestland\t0\r\n"},
    {"city.txt", "20\t12\tBergen\t0\r\n"},
    {"area.txt", "25\t20\tCentre\t0\r\n"},
    {"building.txt", "31\t25\t20\tLibrary\tMain St 1\t0\r\n"},
    {"network.txt", "3\tCity net\t0\r\n"},
    {"ap.txt", "001122334455\t31\t3\t2\tReading room\t0\r\n"},
    {"services.txt", "1\t0\t0\thttp://everywhere/{bssid}\tEverywhere\t0\r\n"
                     "2\t20\t4\thttp://bergen/\tBergen guide\t0\r\n"},
};

template <typename T> class ServerCases : public ::testing::Test {
  protected:
    ServerCases() {
        writeServerRecords(serverDir);
        database.openDatabase(clientDir.folder());
        database.setDownloadService(&download);
    }
    ~ServerCases() override {
        database.setDownloadService(nullptr);
        agent.stop();
    }

    // Starts a server with the given misbehaviour and points the Server setting at it.
    LoopbackServer& serve(Misbehaviour misbehaviour = {}) {
        LoopbackServer::Options options;
        options.folder = serverDir.folder();
        options.misbehaviour = misbehaviour;
        servers.push_back(std::make_unique<LoopbackServer>(options));
        EXPECT_TRUE(servers.back()->start());
        settings::write(settings, settings::Server, widen(servers.back()->hostAndPort()));
        return *servers.back();
    }

    // A lookup that queues a download, and the web agent's pass that performs it.
    int32_t lookUpAndRun(const char* digits) {
        int32_t first = database.lookUpLocation(*BssidKey::fromText(digits), nullptr);
        agent.runPending();
        return first;
    }

    // A server that fails so: the access point asked shows the failure and the
    // server is not asked again, however many ticks pass within the retry
    // window; a working server is asked about another one at once, and its
    // good answer ends the wait.
    void expectNoRetryWhileFailing(const Misbehaviour& misbehaviour) {
        LoopbackServer& failing = serve(misbehaviour);
        const BssidKey known = *BssidKey::fromText("001122334455");
        EXPECT_EQ(lookUpAndRun("001122334455"), lookup_status::Queued);
        EXPECT_EQ(download.state(), lookup_status::Failed);
        const size_t seen = failing.requestsSeen();
        for (int tick = 0; tick < 3; ++tick) {
            clock.advance(10000);
            EXPECT_EQ(database.lookUpLocation(known, nullptr), lookup_status::Failed);
            agent.runTimedPass();
        }
        EXPECT_EQ(failing.requestsSeen(), seen);
        serve();
        EXPECT_EQ(lookUpAndRun("0011223344aa"), lookup_status::Queued);
        EXPECT_EQ(download.state(), lookup_status::Idle);
        EXPECT_EQ(lookUpAndRun("001122334455"), lookup_status::Queued);
        EXPECT_EQ(database.lookUpLocation(known, nullptr), lookup_status::Found);
    }

    static HttpTimeouts shortTimeouts() {
        HttpTimeouts t;
        t.connectMs = 2000;
        t.receiveMs = 700;
        t.attemptMs = 1500;
        return t;
    }

    TempDir serverDir;
    TempDir clientDir;
    MemorySettingsStore settings;
    LocationDatabase database{settings};
    std::unique_ptr<HttpTransport> transport = T::make(shortTimeouts());
    ManualClock clock{5000000};
    WebAgent agent{*transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    LocationDownload download{agent, database, settings, clock};
    std::vector<std::unique_ptr<LoopbackServer>> servers;
};

TYPED_TEST_SUITE_P(ServerCases);

TYPED_TEST_P(ServerCases, DownloadsWhatTheServerKnows) {
    this->serve();
    EXPECT_EQ(this->lookUpAndRun("001122334455"), lookup_status::Queued);
    EXPECT_EQ(this->download.state(), lookup_status::Idle);
    for (auto [file, bytes] : kDownloadedFiles)
        EXPECT_EQ(this->clientDir.read(file), bytes) << file;
    EXPECT_EQ(this->clientDir.read("apchecked.txt"), "001122334455\r\n");
    LocationRecord* record = nullptr;
    ASSERT_EQ(this->database.lookUpLocation(*BssidKey::fromText("001122334455"), &record),
              lookup_status::Found);
    EXPECT_EQ(record->buildingName(), "Library");
    EXPECT_EQ(record->countryName(), "Norway");

    // An access point the server does not know is asked once and then not placed.
    EXPECT_EQ(this->lookUpAndRun("0011223344aa"), lookup_status::Queued);
    EXPECT_EQ(this->download.state(), lookup_status::Idle);
    EXPECT_EQ(this->database.lookUpLocation(*BssidKey::fromText("0011223344aa"), nullptr),
              lookup_status::NotPlaced);
    EXPECT_EQ(this->servers[0]->requestsSeen(), 2u);
}

TYPED_TEST_P(ServerCases, DownloadRunsBeforeUploadAndThePostCarriesItsBody) {
    LoopbackServer& server = this->serve();
    std::string error;
    ASSERT_TRUE(addUser(server.storage(), "ann", "secret", error)) << error;
    std::vector<std::string> lines;
    const std::string body = "- login\nann\n" + loginToken("secret") +
                             "\n- buildings\n4294967295\t0\t20\tStation\t\t3\n"
                             "- aps\naabbccddeeff\t4294967295\t0\t1\tHall\t3\n- end\n";
    {
        auto request = this->agent.getRequest("upload");
        request->setHost(widen(server.hostAndPort()));
        request->setPath(L"/text/?action=location.uploadText");
        request->body = body;
        request->lineCallback = [&](std::string_view line) {
            lines.push_back("upload: " + std::string(line));
        };
        request->pending = true;
    }
    {
        auto request = this->agent.getRequest("download");
        request->setHost(widen(server.hostAndPort()));
        request->setPath(L"/text/?action=location.downloadText&bssid=aabbccddeeff");
        request->lineCallback = [&](std::string_view line) {
            lines.push_back("download: " + std::string(line));
        };
        request->pending = true;
    }
    this->agent.runPending();
    const std::vector<std::string> expected = {
        "download: - end", // performed first: the access point was not yet uploaded
        "upload: - nearbeam ok",
        "upload: - buildings",
        "upload: 32\t0\t20\tStation\t",
        "upload: - aps",
        "upload: aabbccddeeff\t32\t0\t1\tHall",
        "upload: - msg Thank you, ann: 2 records stored.",
        "upload: - end",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(storedFile(server.storage(), "building.txt"),
              "31\t25\t20\tLibrary\tMain St 1\t0\r\n32\t0\t20\tStation\t\t0\r\n");
}

TYPED_TEST_P(ServerCases, ABadLoginIsRefused) {
    LoopbackServer& server = this->serve();
    std::string error;
    ASSERT_TRUE(addUser(server.storage(), "ann", "secret", error)) << error;
    std::vector<std::string> lines;
    {
        auto request = this->agent.getRequest("upload");
        request->setHost(widen(server.hostAndPort()));
        request->setPath(L"/text/?action=location.uploadText");
        request->body = "- login\nann\n" + loginToken("wrong") + "\n- end\n";
        request->lineCallback = [&](std::string_view line) { lines.emplace_back(line); };
        request->pending = true;
    }
    this->agent.runPending();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("- error ", 0), 0u) << lines[0];
}

TYPED_TEST_P(ServerCases, MisbehavingServers) {
    // The full reply, to cut it inside the access point's line.
    std::string full;
    {
        LoopbackServer::Options options;
        options.folder = this->serverDir.folder();
        full = LoopbackServer(options).service().downloadText("001122334455");
    }
    const int64_t insideApLine = static_cast<int64_t>(full.find("- aps\n") + 10);
    struct Case {
        const char* name;
        Misbehaviour misbehaviour;
        int32_t state;
        bool asked;
        bool storedAll;    // every file as in a good download
        bool storedUpToAp; // the lines before the cut access point line only
    };
    Misbehaviour refuse, hang, cut, signIn, error, crlf, drip, trickle;
    refuse.refuse = true;
    hang.hang = true;
    cut.cutAfter = insideApLine;
    signIn.signInPage = true;
    error.httpError = true;
    crlf.crlf = true;
    drip.dripMs = 2;
    trickle.dripMs = 200; // never silent for long, but too slow to finish in time
    const Case cases[] = {
        {"refuse", refuse, lookup_status::Failed, false, false, false},
        {"hang", hang, lookup_status::Failed, false, false, false},
        {"cut", cut, lookup_status::Failed, false, false, true},
        {"sign-in page", signIn, lookup_status::Malformed, false, false, false},
        {"HTTP 500", error, lookup_status::Failed, false, false, false},
        {"CR LF", crlf, lookup_status::Malformed, false, false, false},
        {"drip", drip, lookup_status::Idle, true, true, false},
        {"trickle", trickle, lookup_status::Failed, false, false, false},
    };
    for (const Case& c : cases) {
        TempDir client;
        MemorySettingsStore store;
        LocationDatabase db(store);
        db.openDatabase(client.folder());
        LoopbackServer::Options options;
        options.folder = this->serverDir.folder();
        options.misbehaviour = c.misbehaviour;
        LoopbackServer server(options);
        ASSERT_TRUE(server.start()) << c.name;
        settings::write(store, settings::Server, widen(server.hostAndPort()));
        auto transport = TypeParam::make(this->shortTimeouts());
        WebAgent agent(*transport, this->clock, WebAgent::Options{WebAgent::kWaitMs, false});
        LocationDownload download(agent, db, store, this->clock);
        db.setDownloadService(&download);
        db.lookUpLocation(*BssidKey::fromText("001122334455"), nullptr);
        agent.runPending();
        EXPECT_EQ(download.state(), c.state) << c.name;
        EXPECT_EQ(client.exists("apchecked.txt"), c.asked) << c.name;
        EXPECT_EQ(agent.isPending("download"), c.state == lookup_status::Failed) << c.name;
        for (auto [file, bytes] : kDownloadedFiles) {
            bool beforeCut = std::string(file) != "ap.txt" && std::string(file) != "services.txt";
            bool stored = c.storedAll || (c.storedUpToAp && beforeCut);
            EXPECT_EQ(client.read(file), stored ? bytes : "") << c.name << " " << file;
            EXPECT_FALSE(client.exists(std::string(file) + ".tmp")) << c.name;
        }
        db.setDownloadService(nullptr);
        agent.stop();
        server.stop();
    }
}

// While the server cannot be reached or answers an error, the access point shows
// the failure and is not asked again; another one is asked at once, and a good
// answer ends the wait.
TYPED_TEST_P(ServerCases, ARefusedAccessPointIsNotAskedAgainUntilTheServerAnswers) {
    Misbehaviour refuse;
    refuse.refuse = true;
    this->expectNoRetryWhileFailing(refuse);
}

TYPED_TEST_P(ServerCases, AnHttpErrorIsNotAskedAgainUntilTheServerAnswers) {
    Misbehaviour error;
    error.httpError = true;
    this->expectNoRetryWhileFailing(error);
}

REGISTER_TYPED_TEST_SUITE_P(ServerCases, DownloadsWhatTheServerKnows,
                            DownloadRunsBeforeUploadAndThePostCarriesItsBody, ABadLoginIsRefused,
                            MisbehavingServers,
                            ARefusedAccessPointIsNotAskedAgainUntilTheServerAnswers,
                            AnHttpErrorIsNotAskedAgainUntilTheServerAnswers);

} // namespace nearbeam::test
