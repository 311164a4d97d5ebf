#include "net/location_download.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "locate/location_database.h"
#include "net/fake_transport.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

namespace status = lookup_status;

BssidKey key(const char* digits) {
    return *BssidKey::fromText(digits);
}

FakeReply reply(const std::string& text) {
    FakeReply r;
    r.chunks = {text};
    return r;
}

// A database over a fresh folder, a web agent without a worker (the test runs its
// passes) and the download wired into the lookup.
class LocationDownloadTest : public ::testing::Test {
  protected:
    LocationDownloadTest() {
        database.openDatabase(dir.folder());
        database.setDownloadService(&download);
    }
    ~LocationDownloadTest() override { database.setDownloadService(nullptr); }

    // Looks a key up, lets the agent perform what was queued, and returns the
    // state the lookup showed first.
    int32_t lookUpAndRun(const char* digits, FakeReply answer) {
        transport.queue(std::move(answer));
        int32_t first = database.lookUpLocation(key(digits), nullptr);
        agent.runPending();
        return first;
    }

    TempDir dir;
    MemorySettingsStore settings;
    LocationDatabase database{settings};
    FakeTransport transport;
    ManualClock clock{1000000};
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    LocationDownload download{agent, database, settings, clock};
};

TEST_F(LocationDownloadTest, GoodReplyIsMergedAndTheKeyAsked) {
    EXPECT_EQ(lookUpAndRun("001122334455", reply("- aps\n001122334455\t31\t0\t2\tHall\n- end\n")),
              status::Queued);
    EXPECT_EQ(download.state(), status::Idle);
    EXPECT_EQ(dir.read("ap.txt"), "001122334455\t31\t0\t2\tHall\t0\r\n");
    EXPECT_EQ(dir.read("apchecked.txt"), "001122334455\r\n");
    LocationRecord* record = nullptr;
    EXPECT_EQ(database.lookUpLocation(key("001122334455"), &record), status::Found);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->location, "Hall");

    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].host, L"locate.nearbeam.net");
    EXPECT_EQ(seen[0].port, 0); // the default HTTP port
    EXPECT_EQ(seen[0].path, L"/text/?action=location.downloadText&bssid=001122334455&scans=1");
    EXPECT_FALSE(seen[0].post);
}

TEST_F(LocationDownloadTest, ServerSettingMayCarryAPort) {
    settings::write(settings, settings::Server, L"127.0.0.1:8123");
    lookUpAndRun("001122334455", reply("- end\n"));
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].host, L"127.0.0.1");
    EXPECT_EQ(seen[0].port, 8123);
}

TEST_F(LocationDownloadTest, OneDownloadAtATime) {
    EXPECT_TRUE(download.requestDownload(key("001122334455")));
    EXPECT_EQ(database.lookUpLocation(key("00112233aaaa"), nullptr), status::Queued);
    EXPECT_FALSE(download.requestDownload(key("00112233aaaa")));
    agent.runPending();
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].path, L"/text/?action=location.downloadText&bssid=001122334455&scans=1");
    EXPECT_EQ(dir.read("apchecked.txt"), "001122334455\r\n"); // unknown to the server
    EXPECT_EQ(database.lookUpLocation(key("001122334455"), nullptr), status::NotPlaced);
}

TEST_F(LocationDownloadTest, TheSameRecordsTwiceAreStoredOnce) {
    const std::string building = "- buildings\n31\t0\t20\tLibrary\tMain St 1\n";
    lookUpAndRun("001122334455", reply(building + "- aps\n001122334455\t31\t0\t1\tA\n- end\n"));
    lookUpAndRun("0011223344aa", reply(building + "- aps\n0011223344aa\t31\t0\t2\tB\n- end\n"));
    EXPECT_EQ(dir.read("building.txt"), "31\t0\t20\tLibrary\tMain St 1\t0\r\n");
    EXPECT_EQ(dir.read("ap.txt"),
              "001122334455\t31\t0\t1\tA\t0\r\n0011223344aa\t31\t0\t2\tB\t0\r\n");
    EXPECT_EQ(dir.read("apchecked.txt"), "001122334455\r\n0011223344aa\r\n");
}

// The survey scans of a building come with the first access point of it asked
// about; an access point heard in them brings none, nor does a building fetched
// before; Clear Data Cache forgets them (the scans made here stay).
TEST_F(LocationDownloadTest, TheScansOfABuildingAreFetchedOnce) {
    const std::string scan1 =
        "31\t1\tHall\t2026-12-08T09:15:00Z\t001122334455:-50\t0011223344bb:-70";
    const std::string scan2 = "31\t2\tDesk\t2026-12-08T09:10:00Z\t0011223344cc:-60";
    const std::string local = "4294967295\t3\tRoof\t3\t2026-12-08T09:00:00Z\t0011223344dd:-40\r\n";
    dir.write("scans.txt", local);
    struct Step {
        const char* bssid;
        std::string reply;
        const wchar_t* asked;
    };
    const Step steps[] = {
        // Another building's scan, a damaged one and a cut reply's are not kept.
        {"001122334455",
         "- aps\n001122334455\t31\t0\t1\tA\n- scans\n" + scan1 + "\n" + scan2 +
             "\n32\t1\tX\t2026-12-08T09:15:00Z\t0011223344ee:-50\n31\tbad\n- end\n",
         L"001122334455&scans=1"},
        {"0011223344bb", "- aps\n0011223344bb\t31\t0\t1\tB\n- end\n", L"0011223344bb"},
        {"0011223344ff", "- aps\n0011223344ff\t31\t0\t1\tC\n- scans\n" + scan2 + "\n- end\n",
         L"0011223344ff&scans=1"},
    };
    for (const Step& step : steps)
        lookUpAndRun(step.bssid, reply(step.reply));
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(seen[i].path,
                  L"/text/?action=location.downloadText&bssid=" + std::wstring(steps[i].asked));
    const std::string fetched = "31\t1\tHall\t0\t2026-12-08T09:15:00Z\t001122334455:-50\t"
                                "0011223344bb:-70\r\n31\t2\tDesk\t0\t2026-12-08T09:10:00Z\t"
                                "0011223344cc:-60\r\n";
    EXPECT_EQ(dir.read("scans.txt"), local + fetched);
    EXPECT_EQ(dir.read("scanschecked.txt"), "31\r\n");

    database.clearCache();
    EXPECT_EQ(dir.read("scans.txt"), local);
    EXPECT_FALSE(dir.exists("scanschecked.txt"));
    lookUpAndRun("0011223344bb", reply("- end\n"));
    EXPECT_EQ(transport.seen().back().path, L"/text/?action=location.downloadText&bssid="
                                            L"0011223344bb&scans=1");

    // A reply cut short fetches nothing: the building is asked again.
    FakeReply cut = reply("- aps\n001122334455\t31\t0\t1\tA\n- scans\n" + scan1 + "\n" + scan2);
    cut.contentLength = 1000;
    lookUpAndRun("001122334455", cut);
    EXPECT_EQ(dir.read("scans.txt"), local);
    EXPECT_FALSE(database.scanFile().fetched(31));
}

TEST_F(LocationDownloadTest, BadRepliesPauseDownloads) {
    struct Case {
        const char* name;
        std::string text;
        std::string storedAps;
    };
    const Case cases[] = {
        {"first line a record", "001122334455\t31\t0\t1\tA\n- end\n", ""},
        {"sign-in page", "<html><body>Please sign in</body></html>\n", ""},
        {"CR LF line ends", "- aps\r\n001122334455\t31\t0\t1\tA\r\n- end\r\n", ""},
        {"good section kept", "- aps\n001122334455\t31\t0\t1\tA\n- end\nstray\n",
         "001122334455\t31\t0\t1\tA\t0\r\n"},
    };
    for (const Case& c : cases) {
        TempDir folder;
        MemorySettingsStore store;
        LocationDatabase db(store);
        db.openDatabase(folder.folder());
        FakeTransport t;
        ManualClock time(1000000);
        WebAgent a(t, time, WebAgent::Options{WebAgent::kWaitMs, false});
        LocationDownload d(a, db, store, time);
        db.setDownloadService(&d);
        t.queue(reply(c.text));
        db.lookUpLocation(key("001122334455"), nullptr);
        a.runPending();
        EXPECT_EQ(d.state(), status::Malformed) << c.name;
        EXPECT_EQ(folder.read("ap.txt"), c.storedAps) << c.name;
        EXPECT_FALSE(folder.exists("apchecked.txt")) << c.name;
        time.advance(LocationDownload::kBadReplyPauseMs - 1);
        EXPECT_EQ(db.lookUpLocation(key("0011223344aa"), nullptr), status::Malformed) << c.name;
        EXPECT_FALSE(d.requestDownload(key("0011223344aa"))) << c.name;
        time.advance(1);
        EXPECT_TRUE(d.requestDownload(key("0011223344aa"))) << c.name;
        db.setDownloadService(nullptr);
    }
}

TEST_F(LocationDownloadTest, AReceiveEventAfterABadLineKeepsTheReplyBad) {
    FakeReply r;
    r.chunks = {"stray line\n", "- aps\n001122334455\t31\t0\t1\tA\n"};
    lookUpAndRun("001122334455", r);
    EXPECT_EQ(download.state(), status::Malformed);
    EXPECT_FALSE(dir.exists("apchecked.txt"));
}

TEST_F(LocationDownloadTest, AFailedAccessPointWaitsOutTheRetryWindowOthersAreAskedAtOnce) {
    struct Case {
        const char* name;
        FakeReply answer;
    };
    FakeReply refused;
    refused.connects = false;
    FakeReply error = reply("- end\n");
    error.status = 500;
    FakeReply cut = reply("- aps\n0011223344dd\t31\t0\t1\tA\n0011223344aa\t31");
    cut.contentLength = 100;
    const Case cases[] = {{"no connection", refused}, {"HTTP 500", error}, {"cut reply", cut}};
    for (const Case& c : cases) {
        TempDir folder;
        MemorySettingsStore store;
        LocationDatabase db(store);
        db.openDatabase(folder.folder());
        FakeTransport t;
        ManualClock time(1000000);
        WebAgent a(t, time, WebAgent::Options{WebAgent::kWaitMs, false});
        LocationDownload d(a, db, store, time);
        db.setDownloadService(&d);
        t.queue(c.answer);
        db.lookUpLocation(key("001122334455"), nullptr);
        a.runPending();
        EXPECT_EQ(d.state(), status::Failed) << c.name;
        EXPECT_FALSE(folder.exists("apchecked.txt")) << c.name;
        // The complete lines of a cut reply are kept; its cut line is not.
        EXPECT_EQ(folder.read("ap.txt"),
                  c.answer.contentLength > 0 ? "0011223344dd\t31\t0\t1\tA\t0\r\n" : "")
            << c.name;
        // Ticks inside the window show the failure and ask nothing.
        time.advance(10000);
        EXPECT_EQ(db.lookUpLocation(key("001122334455"), nullptr), status::Failed) << c.name;
        a.runTimedPass();
        EXPECT_EQ(t.seen().size(), 1u) << c.name;
        // Another access point is asked at once; its good answer ends the window.
        EXPECT_EQ(db.lookUpLocation(key("0011223344aa"), nullptr), status::Queued) << c.name;
        t.queue(reply("- end\n"));
        a.runPending();
        EXPECT_EQ(d.state(), status::Idle) << c.name;
        EXPECT_EQ(folder.read("apchecked.txt"), "0011223344aa\r\n") << c.name;
        EXPECT_EQ(db.lookUpLocation(key("001122334455"), nullptr), status::Queued) << c.name;
        db.setDownloadService(nullptr);
    }
}

TEST_F(LocationDownloadTest, TheRetryWindowEndsAfterFiveMinutes) {
    FakeReply refused;
    refused.connects = false;
    transport.queue(refused);
    ASSERT_TRUE(download.requestDownload(key("001122334455")));
    agent.runPending();
    transport.queue(refused);
    ASSERT_TRUE(download.requestDownload(key("0011223344aa")));
    agent.runPending();
    // Both wait; meanwhile a third one's download is under way.
    ASSERT_TRUE(download.requestDownload(key("0011223344bb")));
    clock.advance(WebAgent::kRetryWindowMs - 1);
    EXPECT_EQ(database.lookUpLocation(key("001122334455"), nullptr), status::Failed);
    EXPECT_EQ(database.lookUpLocation(key("0011223344cc"), nullptr), status::Queued);
    transport.queue(refused);
    agent.runPending();
    clock.advance(1);
    EXPECT_EQ(database.lookUpLocation(key("0011223344bb"), nullptr), status::Failed);
    EXPECT_EQ(database.lookUpLocation(key("001122334455"), nullptr), status::Queued);
}

TEST_F(LocationDownloadTest, ProgressMovesTheState) {
    const std::pair<WebProgress, int32_t> steps[] = {
        {WebProgress::Resolving, status::Queued},    {WebProgress::Connecting, status::Connecting},
        {WebProgress::Connected, status::Sending},   {WebProgress::RequestSent, status::Sending},
        {WebProgress::Receiving, status::Receiving}, {WebProgress::Failed, status::Failed},
    };
    ASSERT_TRUE(download.requestDownload(key("001122334455")));
    for (auto [code, state] : steps) {
        download.onProgress(code, key("001122334455"), true);
        EXPECT_EQ(download.state(), state) << static_cast<int>(code);
    }
}

TEST_F(LocationDownloadTest, NoNewDownloadWhileABadReplyIsStillRead) {
    // What the worker does while it reads a reply whose first line is a record.
    ASSERT_TRUE(download.requestDownload(key("001122334455")));
    download.onProgress(WebProgress::Receiving, key("001122334455"), true);
    download.onLine("001122334455\t31\t0\t1\tA");
    EXPECT_EQ(download.state(), status::Malformed);
    EXPECT_FALSE(download.requestDownload(key("0011223344aa"))); // the reply goes on
    download.onLine("more of the page");
    download.onProgress(WebProgress::Completed, key("001122334455"), true);
    EXPECT_EQ(download.state(), status::Malformed);
    clock.advance(1);
    EXPECT_FALSE(download.requestDownload(key("0011223344aa"))); // the pause has begun
    clock.advance(LocationDownload::kBadReplyPauseMs - 1);
    EXPECT_TRUE(download.requestDownload(key("0011223344aa")));
}

TEST_F(LocationDownloadTest, MergeMatchesTheLineByLineRule) {
    // A file with lines of its own, and a reply that repeats some of them and
    // itself, across more lines than one batch.
    std::string existing;
    for (int i = 0; i < 3000; i += 3)
        existing += std::to_string(i) + "\t1\tOld " + std::to_string(i) + "\t0\r\n";
    dir.write("city.txt", existing);
    std::string text = "- cities\n";
    std::vector<std::string> lines;
    for (int i = 0; i < 5000; ++i) {
        int id = (i * 7) % 4000;
        lines.push_back(std::to_string(id) + "\t2\tNew " + std::to_string(i));
        text += lines.back() + "\n";
    }
    text += "- end\n";
    lookUpAndRun("001122334455", reply(text));
    ASSERT_EQ(download.state(), status::Idle);

    TempDir expected;
    MemorySettingsStore store;
    LocationDatabase reference(store);
    reference.openDatabase(expected.folder());
    expected.write("city.txt", existing);
    for (const std::string& line : lines)
        reference.cities().appendServerLine(line);
    EXPECT_EQ(dir.read("city.txt"), expected.read("city.txt"));
}

} // namespace
} // namespace nearbeam::test
