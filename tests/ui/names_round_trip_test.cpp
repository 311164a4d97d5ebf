// A name in any language, from the wizard through ap.txt, the upload, the
// download and a service link: the same characters all the way.

#include "base/text.h"
#include "net/fake_transport.h"
#include "net/location_download.h"
#include "net/uploader.h"
#include "records/database_fixture.h"
#include "ui/set_location_wizard.h"

namespace nearbeam::test {
namespace {

const std::wstring kHall = L"\u0141\u00f3d\u017a Hall \u6771\u4eac"; // Łódź Hall 東京
const std::string kHallBytes = "\xc5\x81\xc3\xb3\x64\xc5\xba Hall \xe6\x9d\xb1\xe4\xba\xac";
const std::string kHallInALink = "%C5%81%C3%B3d%C5%BA+Hall+%E6%9D%B1%E4%BA%AC";

TEST(Names, RoundTripThroughTheWizardTheFilesTheServerAndALink) {
    TempDir here;
    MemorySettingsStore settings;
    LocationDatabase placed{settings};
    placed.openDatabase(here.folder());
    const BssidKey key = *BssidKey::fromText("0c8112aa0001");
    SetLocationWizard wizard(placed, key, nullptr);
    ASSERT_EQ(
        wizard.placeNext("Polska", narrow(L"\u0141\u00f3dzkie"), narrow(L"\u0141\u00f3d\u017a")),
        std::nullopt);
    wizard.areaNext("");
    ASSERT_EQ(wizard.finish({narrow(kHall), "", "1", narrow(L"Caf\u00e9")}), std::nullopt);
    EXPECT_EQ(here.read("building.txt"), "4294967292\t0\t4294967293\t" + kHallBytes + "\t\t3\r\n");
    EXPECT_EQ(here.read("ap.txt"), "0c8112aa0001\t4294967292\t0\t1\tCaf\xc3\xa9\t3\r\n");

    // The upload carries the same bytes.
    FakeTransport transport;
    ManualClock clock{1000000};
    WebAgent agent{transport, clock, WebAgent::Options{WebAgent::kWaitMs, false}};
    PlainPasswordStore passwords{settings};
    Uploader uploader{agent, placed, settings, passwords, {}};
    const std::string body = uploader.makeBody(L"ann", L"secret");
    EXPECT_NE(body.find("- buildings\n4294967292\t0\t4294967293\t" + kHallBytes + "\t\t3\n"),
              std::string::npos)
        << body;

    // Another computer downloads the server's copy; a line an older server wrote
    // in Windows-1252 reads as it did.
    TempDir there;
    LocationDatabase fetched{settings};
    fetched.openDatabase(there.folder());
    LocationDownload download{agent, fetched, settings, clock};
    fetched.setDownloadService(&download);
    FakeReply reply;
    reply.chunks = {"- cities\n7\t0\t" + narrow(L"\u0141\u00f3d\u017a") +
                    "\n- buildings\n31\t0\t7\t" + kHallBytes +
                    "\t\n32\t0\t7\tCaf\xe9 Nord\t\n- aps\n0c8112aa0001\t31\t0\t1\tCaf\xc3\xa9\n"
                    "0c8112aa0002\t32\t0\t\t\n- end\n"};
    transport.queue(reply);
    transport.queue(reply);
    fetched.lookUpLocation(key, nullptr);
    agent.runPending();
    LocationRecord* record = nullptr;
    fetched.lookUpLocation(key, &record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(widen(record->buildingName()), kHall);
    EXPECT_EQ(widen(record->location), L"Caf\u00e9");
    EXPECT_EQ(record->expandTemplate("http://s/?b={building}&l={location}"),
              "http://s/?b=" + kHallInALink + "&l=Caf%C3%A9");
    fetched.setDownloadService(nullptr);

    LocationRecord* older = fetched.locations().find(*BssidKey::fromText("0c8112aa0002"));
    ASSERT_NE(older, nullptr);
    EXPECT_EQ(widen(older->buildingName()), L"Caf\u00e9 Nord");
    EXPECT_EQ(older->expandTemplate("{building}"), "Caf%C3%A9+Nord");
}

TEST(Names, ANameStoredInWindows1252IsTheSameNameTypedNow) {
    TempDir here;
    const std::string older = "31\t0\t20\tCaf\xe9 Nord\t\t0\r\n";
    here.write("country.txt", "7\tSchweiz\t0\r\n");
    here.write("province.txt", "12\t7\tZ\xfcrich\t0\r\n");
    here.write("city.txt", "20\t12\tZ\xfcrich\t0\r\n");
    here.write("building.txt", older);
    here.write("ap.txt", "0c8112aa0002\t31\t0\t1\tSalle \xe0 manger\t0\r\n");
    MemorySettingsStore settings;
    LocationDatabase placed{settings};
    placed.openDatabase(here.folder());

    SetLocationWizard wizard(placed, *BssidKey::fromText("0c8112aa0003"), nullptr);
    ASSERT_EQ(wizard.placeNext("Schweiz", narrow(L"Z\u00fcrich"), narrow(L"Z\u00fcrich")),
              std::nullopt);
    wizard.areaNext("");
    ASSERT_EQ(wizard.finish({narrow(L"Caf\u00e9 Nord"), "", "2", narrow(L"\u00c9tage")}),
              std::nullopt);
    EXPECT_EQ(here.read("building.txt"), older); // reused, not made again
    EXPECT_EQ(here.read("city.txt"), "20\t12\tZ\xfcrich\t0\r\n");
    EXPECT_EQ(here.read("ap.txt"), "0c8112aa0002\t31\t0\t1\tSalle \xe0 manger\t0\r\n"
                                   "0c8112aa0003\t31\t0\t2\t\xc3\x89tage\t3\r\n");
    LocationRecord* old = placed.locations().find(*BssidKey::fromText("0c8112aa0002"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->location, narrow(L"Salle \u00e0 manger")); // UTF-8 in memory
}

} // namespace
} // namespace nearbeam::test
