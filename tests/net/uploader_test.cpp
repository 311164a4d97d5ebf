#include "net/uploader.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "locate/location_database.h"
#include "net/fake_transport.h"
#include "net/md5.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// What a dialog is told, in order.
struct RecordingLink : UploadDialogLink {
    std::vector<std::wstring> texts;
    int ended = 0;
    void showStatus(const std::wstring& text) override { texts.push_back(text); }
    void uploadEnded() override { ++ended; }
};

FakeReply reply(const std::string& text) {
    FakeReply r;
    r.chunks = {text};
    return r;
}

class UploaderTest : public ::testing::Test {
  protected:
    UploaderTest() {
        database.openDatabase(dir.folder());
        settings::write(settings, settings::Username, L"ann");
        passwords.write(L"secret");
        database.setUploadNeeded(true);
    }

    // Starts an upload followed by link, lets the agent perform it, and returns
    // the body that went out.
    std::string upload(FakeReply answer) {
        transport.queue(std::move(answer));
        EXPECT_TRUE(uploader.startUpload(&link));
        agent.runPending();
        auto seen = transport.seen();
        return seen.empty() ? std::string() : seen.back().body;
    }

    TempDir dir;
    MemorySettingsStore settings;
    PlainPasswordStore passwords{settings};
    LocationDatabase database{settings};
    FakeTransport transport;
    ManualClock clock{1000000};
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    std::vector<std::wstring> boxes;
    Uploader uploader{agent, database, settings, passwords,
                      [this](const std::wstring& text) { boxes.push_back(text); }};
    RecordingLink link;
};

// Checked against md5sum: printf 'Nearbeam: %s' "$(printf PASSWORD | md5sum | cut -c1-32)".
// The password's bytes stay Windows-1252, as every account's digest was made.
TEST(UploaderLoginToken, IsTheDigestOfTheFixedTextAndThePasswordDigestInWindows1252) {
    EXPECT_EQ(Uploader::makeLoginToken(L""), md5Hex("Nearbeam: d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(Uploader::makeLoginToken(L""), "b81db0f74ddd24fa799cf544c699bb8b");
    EXPECT_EQ(Uploader::makeLoginToken(L"secret"), "79a7c5b3bb1f4438b2eaaaf08c0ae4de");
    EXPECT_EQ(Uploader::makeLoginToken(L"p\u00e4ss"), "b252d687130d1d298e13484ac5e8e1df");
}

// Only lines not in status 0 go, under their table's heading, in the order
// countries, provinces, cities, areas, buildings, aps; networks and services never.
TEST_F(UploaderTest, BodyCarriesTheLocalLinesOfTheSixPlaceFiles) {
    const std::string head = "- login\nann\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n";
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> files;
        std::string body;
    };
    const Case cases[] = {
        {"nothing local",
         {{"country.txt", "1\tNorway\t0\r\n"}, {"network.txt", "5\tCampus\t3\r\n"}},
         head + "- end\n"},
        {"a building and an access point",
         {{"building.txt", "7\t0\t3\tHall\t\t0\r\n4294967295\t0\t3\tShelter\tMain St\t3\r\n"},
          {"ap.txt", "001122334455\t4294967295\t0\t\tStop\t3\n"},
          {"services.txt", "9\t0\t0\thttp://x/\tX\t3\r\n"}},
         head + "- buildings\n4294967295\t0\t3\tShelter\tMain St\t3\n- aps\n"
                "001122334455\t4294967295\t0\t\tStop\t3\n- end\n"},
        {"all six, changed lines too",
         {{"ap.txt", "00aabbccddee\t7\t0\t1\tDesk\t6\r\n"},
          {"area.txt", "4294967291\t4294967293\tCampus\t3\r\n"},
          {"building.txt", "7\t0\t4294967293\tHall\tNew St 1\t6\r\n"},
          {"city.txt", "4294967293\t4294967294\tBergen\t3\r\n"},
          {"province.txt", "4294967294\t4294967295\tVestland\t3\r\n"},
          {"country.txt", "4294967295\tNorway\t3\r\n"}},
         head + "- countries\n4294967295\tNorway\t3\n- provinces\n4294967294\t4294967295\t"
                "Vestland\t3\n- cities\n4294967293\t4294967294\tBergen\t3\n- areas\n"
                "4294967291\t4294967293\tCampus\t3\n- buildings\n7\t0\t4294967293\tHall\t"
                "New St 1\t6\n- aps\n00aabbccddee\t7\t0\t1\tDesk\t6\n- end\n"},
    };
    for (const Case& c : cases) {
        for (const char* name : {"country.txt", "province.txt", "city.txt", "area.txt",
                                 "building.txt", "ap.txt", "network.txt", "services.txt"})
            dir.write(name, "");
        for (const auto& [name, bytes] : c.files)
            dir.write(name, bytes);
        EXPECT_EQ(uploader.makeBody(L"ann", L"secret"), c.body) << c.name;
    }
}

TEST_F(UploaderTest, GoesAsAPostToTheServerOfTheDownload) {
    settings::write(settings, settings::Server, L"127.0.0.1:8123");
    const std::string body = upload(reply("- nearbeam ok\n- end\n"));
    auto seen = transport.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].host, L"127.0.0.1");
    EXPECT_EQ(seen[0].port, 8123);
    EXPECT_EQ(seen[0].path, L"/text/?action=location.uploadText");
    EXPECT_TRUE(seen[0].post);
    EXPECT_EQ(body, "- login\nann\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n- end\n");
    // Every stage of the exchange is shown, then the result.
    EXPECT_EQ(link.texts,
              (std::vector<std::wstring>{L"Finding server...", L"Connecting to server...",
                                         L"Sending data...", L"Waiting for reply...",
                                         L"Receiving response...", L"Upload successful! "}));
    EXPECT_EQ(link.ended, 1);
    EXPECT_TRUE(boxes.empty());
}

// The place of a network that asked not to be mapped stays here: out of the body,
// kept after the upload, and no reason to upload again.
TEST_F(UploaderTest, ANetworkThatAskedNotToBeMappedStaysLocal) {
    dir.write("ap.txt", "001122334455\t7\t0\t\tHome\t3\r\n00aabbccddee\t7\t0\t\tDesk\t3\r\n");
    database.optedOut().add(*BssidKey::fromText("001122334455"));
    const std::string body = upload(reply("- nearbeam ok\n- end\n"));
    EXPECT_EQ(body, "- login\nann\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n- aps\n"
                    "00aabbccddee\t7\t0\t\tDesk\t3\n- end\n");
    EXPECT_EQ(dir.read("ap.txt"), "001122334455\t7\t0\t\tHome\t3\r\n");
    EXPECT_FALSE(database.uploadNeeded);
}

// A line that cannot be read (an access point without an address, a record
// without a name) would make the server refuse the whole upload, and every one
// after it: it is left out, counted in the summary and the result, and kept.
TEST_F(UploaderTest, AnUnreadableLineIsLeftOutAndTheRestGoesUp) {
    const std::string damaged = "\t41\t0\t3\tStudy room\t3\r\n"
                                "00aabbccddee\t0\t0\t\tNowhere\t3\r\n";
    dir.write("ap.txt", damaged + "001122334455\t7\t0\t\tDesk\t3\r\n");
    dir.write("building.txt", "4294967295\t0\t3\t\tNo name\t3\r\n");
    settings::write(settings, settings::Server, L"127.0.0.1:8123");
    const Uploader::Summary summary = uploader.summary();
    EXPECT_EQ(summary.places, 1u);
    EXPECT_EQ(summary.records, 0u);
    EXPECT_EQ(summary.unreadable, 3u);
    EXPECT_EQ(summary.server, L"127.0.0.1:8123");

    const std::string body =
        upload(reply("- nearbeam ok\n- aps\n001122334455\t7\t0\t\tDesk\n- end\n"));
    EXPECT_EQ(body, "- login\nann\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n- aps\n"
                    "001122334455\t7\t0\t\tDesk\t3\n- end\n");
    EXPECT_EQ(link.texts.back(), L"Upload successful!  (3 lines that cannot be read were left "
                                 L"out; they stay on this computer.)");
    EXPECT_EQ(dir.read("ap.txt"), damaged + "001122334455\t7\t0\t\tDesk\t0\r\n");
    EXPECT_FALSE(database.uploadNeeded); // nothing that can go up waits
}

TEST(UploaderWarning, LoginInTheClearUnlessEncryptedOrOnThisComputer) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"locate.nearbeam.net", true},  {L"http://10.0.0.5:8080", true},
        {L"https://example.org", false}, {L"127.0.0.1:8123", false},
        {L"http://localhost", false},    {L"[::1]:80", false},
    };
    for (const auto& [server, clear] : cases)
        EXPECT_EQ(Uploader::loginInTheClear(server), clear) << server;
}

TEST_F(UploaderTest, DoesNotStartWithoutAUserNameOrWhileBusy) {
    settings::write(settings, settings::Username, L"");
    EXPECT_FALSE(uploader.startUpload(&link));
    EXPECT_FALSE(agent.isPending(Uploader::kRequestKey));

    settings::write(settings, settings::Username, L"ann");
    transport.queue(reply("- nearbeam ok\n- end\n"));
    ASSERT_TRUE(uploader.startUpload(&link));
    RecordingLink second;
    EXPECT_FALSE(uploader.startUpload(&second));
    agent.runPending();
    EXPECT_EQ(transport.seen().size(), 1u);
    EXPECT_EQ(link.ended, 1); // the running upload kept its dialog
    EXPECT_TRUE(second.texts.empty());
    EXPECT_FALSE(uploader.busy());
}

// Without a dialog the result goes to a message box; a result the dialog was told
// of but never showed comes back when it detaches, so closing never loses it.
TEST_F(UploaderTest, ResultsReachTheUserWithOrWithoutTheDialog) {
    transport.queue(reply("- nearbeam ok\n- msg Thanks\n- end\n"));
    ASSERT_TRUE(uploader.startUpload(nullptr));
    agent.runPending();
    EXPECT_EQ(boxes, (std::vector<std::wstring>{L"Upload successful! Thanks"}));

    upload(reply("- error No.\n"));
    EXPECT_EQ(uploader.detachDialog(), L"Nearbeam server did not accept the upload. No.");
    EXPECT_EQ(uploader.detachDialog(), std::nullopt);
    upload(reply("- error No.\n"));
    uploader.takeStatus();
    EXPECT_EQ(uploader.detachDialog(), std::nullopt);
}

// What each reply does to the files, the flag and the user's result text.
TEST_F(UploaderTest, ReplyDecidesWhatHappensToTheLocalRecords) {
    const std::string building = "7\t0\t3\tHall\t\t0\r\n4294967295\t0\t3\tShelter\tMain St\t3\r\n";
    const std::string ap = "001122334455\t4294967295\t0\t\tStop\t3\r\n";
    const std::string serverRecords = "- buildings\n8\t0\t3\tShelter\tMain St\n- aps\n"
                                      "001122334455\t8\t0\t\tStop\n";
    const std::string acceptedBuilding = "7\t0\t3\tHall\t\t0\r\n8\t0\t3\tShelter\tMain St\t0\r\n";
    const std::string acceptedAp = "001122334455\t8\t0\t\tStop\t0\r\n";
    const std::wstring bad =
        L"Upload failed: Bad response. (Do you need to log in to the network?)";
    FakeReply refused;
    refused.connects = false;
    FakeReply cutAfterOk = reply("- nearbeam ok\n- buildings\n8\t0\t3\tShel");
    cutAfterOk.contentLength = 200;
    cutAfterOk.endsCleanly = false;

    struct Case {
        const char* name;
        FakeReply answer;
        bool accepted;
        std::wstring result;
    };
    const Case cases[] = {
        {"accepted", reply("- nearbeam ok\n" + serverRecords + "- msg Thanks\n- end\n"), true,
         L"Upload successful! Thanks"},
        {"records before the success line",
         reply(serverRecords + "- nearbeam ok\n- msg Thanks\n- end\n"), true,
         L"Upload successful! Thanks"},
        {"refused", reply("- error Wrong password.\n- end\n"), false,
         L"Nearbeam server did not accept the upload. Wrong password."},
        {"sign-in page", reply("<html><body>Sign in first</body></html>\n"), false, bad},
        {"empty reply", reply(""), false, bad},
        {"only an end", reply("- end\n"), false, bad},
        {"records without the success line", reply(serverRecords + "- end\n"), false, bad},
        {"CR LF line ends", reply("- nearbeam ok\r\n" + serverRecords + "- end\r\n"), false, bad},
        {"no connection", refused, false, L"Upload failed: could not connect"},
        {"cut after the success line", cutAfterOk, false, L"Upload failed: could not connect"},
    };
    for (const Case& c : cases) {
        dir.write("building.txt", building);
        dir.write("ap.txt", ap);
        database.setUploadNeeded(true);
        database.changed = false;
        link = RecordingLink();
        upload(c.answer);

        ASSERT_FALSE(link.texts.empty()) << c.name;
        EXPECT_EQ(link.texts.back(), c.result) << c.name;
        EXPECT_EQ(link.ended, 1) << c.name;
        EXPECT_FALSE(uploader.busy()) << c.name;
        EXPECT_EQ(dir.read("building.txt"), c.accepted ? acceptedBuilding : building) << c.name;
        EXPECT_EQ(dir.read("ap.txt"), c.accepted ? acceptedAp : ap) << c.name;
        EXPECT_EQ(settings::read(settings, settings::UploadNeeded), c.accepted ? 0 : 1) << c.name;
        EXPECT_EQ(database.uploadNeeded.load(), !c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_TRUE(database.changed) << c.name;
        }
        // Nothing is left for the agent to send again by itself.
        EXPECT_FALSE(agent.isPending(Uploader::kRequestKey)) << c.name;
    }
}

// A place saved while the upload ran was not sent: the purge leaves it, and the
// flag stays for the next upload.
TEST_F(UploaderTest, RecordsSavedDuringTheUploadStayLocal) {
    dir.write("ap.txt", "001122334455\t4294967295\t0\t\tStop\t3\r\n");
    transport.duringAttempt = [this] {
        dir.write("ap.txt", dir.read("ap.txt") + "00aabbccddee\t7\t0\t\tDesk\t3\r\n");
    };
    upload(reply("- nearbeam ok\n- aps\n001122334455\t8\t0\t\tStop\n- end\n"));
    EXPECT_EQ(dir.read("ap.txt"), "00aabbccddee\t7\t0\t\tDesk\t3\r\n"
                                  "001122334455\t8\t0\t\tStop\t0\r\n");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 1);
    EXPECT_EQ(link.texts.back(), L"Upload successful! ");
}

// The local scans go after the access points without their status, without the
// access points that asked not to be mapped (a scan of nothing else stays here);
// once taken, the server's copies replace the scans sent, and a scan saved while
// the upload ran waits for the next one.
TEST_F(UploaderTest, LocalScansTravelAndAreReplacedByTheServersCopies) {
    dir.write("building.txt", "4294967295\t0\t3\tShelter\tMain St\t3\r\n");
    const std::string sentScan = "4294967295\t1\tStop\t3\t2026-12-08T09:15:00Z\t"
                                 "001122334455:-40\t00aabbccddee:-71\r\n";
    const std::string privateScan = "7\t2\tDesk\t3\t2026-12-08T09:16:00Z\t001122334455:-45\r\n";
    const std::string serverScan = "7\t2\tDesk\t0\t2026-12-08T08:00:00Z\t00aabbccddee:-80\r\n";
    const std::string damaged = "7\t2\tDesk\t3\t2026-12-08T09:16:00Z\t00aabbccddee:-121\r\n";
    const std::string savedMeanwhile = "7\t2\tDesk\t3\t2026-12-08T09:20:00Z\t00aabbccddee:-60\r\n";
    dir.write("scans.txt", sentScan + privateScan + serverScan + damaged + sentScan);
    database.optedOut().add(*BssidKey::fromText("001122334455"));
    transport.duringAttempt = [&] {
        dir.write("scans.txt", dir.read("scans.txt") + savedMeanwhile);
    };

    const std::string wire = "4294967295\t1\tStop\t2026-12-08T09:15:00Z\t00aabbccddee:-71\n";
    const std::string body = upload(reply("- nearbeam ok\n- buildings\n8\t0\t3\tShelter\tMain St\n"
                                          "- scans\n8\t1\tStop\t2026-12-08T09:15:00Z\t"
                                          "00aabbccddee:-71\n- end\n"));
    EXPECT_EQ(body, "- login\nann\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n- buildings\n"
                    "4294967295\t0\t3\tShelter\tMain St\t3\n- scans\n" +
                        wire + wire + "- end\n");
    EXPECT_EQ(dir.read("scans.txt"),
              privateScan + serverScan + damaged + savedMeanwhile +
                  "8\t1\tStop\t0\t2026-12-08T09:15:00Z\t00aabbccddee:-71\r\n");
    EXPECT_EQ(link.texts.back(), L"Upload successful! ");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 1); // the scan saved meanwhile

    // A refused upload leaves the scans as they were.
    transport.duringAttempt = nullptr;
    const std::string before = dir.read("scans.txt");
    upload(reply("- error Too many access points in a scan.\n- end\n"));
    EXPECT_EQ(dir.read("scans.txt"), before);
}

// After a failed attempt the agent's later passes send nothing; the user's next
// Upload sends the body of that moment.
TEST_F(UploaderTest, AFailedUploadIsNotRetriedBehindTheUsersBack) {
    FakeReply refused;
    refused.connects = false;
    upload(refused);
    clock.advance(WebAgent::kRetryWindowMs + 1);
    agent.runTimedPass();
    EXPECT_EQ(transport.seen().size(), 1u);

    dir.write("ap.txt", "001122334455\t7\t0\t\tStop\t3\r\n");
    const std::string body = upload(reply("- nearbeam ok\n- end\n"));
    EXPECT_EQ(transport.seen().size(), 2u);
    EXPECT_NE(body.find("- aps\n001122334455\t7\t0\t\tStop\t3\n"), std::string::npos);
}

} // namespace
} // namespace nearbeam::test
