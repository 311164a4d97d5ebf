#include "app/application.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace nearbeam {
namespace {

// An adapter whose list the test sets.
class FakeDriver : public WirelessDriver {
  public:
    std::vector<AccessPointRecord> records;
    QueryStatus answer = QueryStatus::Ok;
    int scans = 0;

    std::vector<AdapterInfo> listAdapters() override { return {{L"{FAKE}", L"Fake"}}; }
    std::optional<std::wstring> findWirelessAdapter() override { return L"{FAKE}"; }
    int32_t signalOfAdapter(const std::wstring&) override { return -50; }
    bool open(const std::wstring&) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void requestScan() override { ++scans; }
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override {
        if (answer == QueryStatus::Ok)
            out = records;
        return answer;
    }
    std::optional<Bssid> associatedBssid() override { return std::nullopt; }

  private:
    bool open_ = false;
};

// The location download, standing still in a state the test chooses.
class FakeDownload : public DownloadService {
  public:
    int32_t current = lookup_status::Queued;
    std::vector<std::string> requested;
    bool requestDownload(const BssidKey& key) override {
        requested.push_back(key.str());
        return true;
    }
    int32_t state() const override { return current; }
};

AccessPointRecord ap(uint8_t last, int32_t rssi,
                     InfrastructureMode mode = InfrastructureMode::Infrastructure,
                     std::string ssid = "net") {
    AccessPointRecord r;
    r.bssid = {0x00, 0x11, 0x22, 0x33, 0x44, last};
    r.ssid = std::move(ssid);
    r.rssi = rssi;
    r.frequencyKhz = 2437000;
    r.mode = mode;
    return r;
}

std::string key(uint8_t last) {
    char text[3];
    snprintf(text, sizeof text, "%02x", last);
    return "0011223344" + std::string(text);
}

// A program folder with its data folder, the parts of the application, and
// the application. The calibration is set so that quality = signal + 100.
class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "data");
        writeData("country.txt", "1\tNorway\t0\n");
        writeData("province.txt", "2\t1\tVestland\t0\n");
        writeData("city.txt", "3\t2\tBergen\t0\n");
        writeData("building.txt", "10\t0\t3\tLibrary\tMain St 1\t0\n"
                                  "11\t0\t3\tHall\t\t0\n"
                                  "12\t0\t3\tThe Old Observatory Annex\t\t0\n"
                                  "13\t0\t3\tBergen Public Library Annex B\t\t0\n"
                                  "14\t0\t3\tBergen Public Library Annex BC\t\t0\n");
        writeData("ap.txt", "0011223344a1\t10\t0\t3\tReading room\t0\n"
                            "0011223344a2\t11\t0\t\t\t0\n"
                            "0011223344a3\t0\t0\t\tKiosk\t0\n"
                            "0011223344a4\t12\t0\t\t\t0\n"
                            "0011223344a5\t10\t0\t\tStacks\t0\n"
                            "0011223344a6\t13\t0\t\t\t0\n"
                            "0011223344a7\t14\t0\t\t\t0\n");
        writeData("apchecked.txt", "0011223344c1\n");
    }

    void writeData(const std::string& name, const std::string& text) {
        std::ofstream out(dir.path() / "data" / name, std::ios::binary | std::ios::app);
        out << text;
    }

    Application& start(std::wstring programPath = {}) {
        if (!freshProfile) {
            settings::write(store, settings::RssiMin, -100);
            settings::write(store, settings::RssiMax, 0);
        }
        if (programPath.empty())
            programPath = widen(dir.folder()) + L"nearbeam.exe";
        auto owned = std::make_unique<FakeDriver>();
        driver = owned.get();
        std::vector<std::unique_ptr<WirelessDriver>> drivers;
        drivers.push_back(std::move(owned));
        device = std::make_unique<WirelessDevice>(store, std::move(drivers));
        database = std::make_unique<LocationDatabase>(store);
        database->setDownloadService(&download);
        ApplicationParts parts(store, *database, *device, scanSettings, clock, notifier);
        parts.locationChanged = [this](LocationRecord& place) {
            changes.push_back(place.bssid.str());
        };
        parts.openLocationPage = [this](const std::wstring& k) { pages.push_back(k); };
        app = std::make_unique<Application>(parts, programPath);
        return *app;
    }

    // A tick as the tray runs it; the status text it computed.
    std::wstring tick(LookupStatus* status = nullptr) {
        app->tick();
        if (status)
            *status = app->lastStatus();
        return app->statusText();
    }

    test::TempDir dir;
    bool freshProfile = false;
    MemorySettingsStore store;
    ManualClock clock;
    ScanSettings scanSettings;
    RecordingNotifier notifier;
    FakeDownload download;
    FakeDriver* driver = nullptr;
    std::unique_ptr<WirelessDevice> device;
    std::unique_ptr<LocationDatabase> database;
    std::unique_ptr<Application> app;
    std::vector<std::string> changes;
    std::vector<std::wstring> pages;
};

TEST_F(ApplicationTest, OpensTheDataFolderBesideTheProgram) {
    Application& a = start();
    ASSERT_TRUE(a.usable());
    EXPECT_EQ(a.dataFolder(), (dir.path() / "data").string() + dir.folder().back());
    EXPECT_EQ(database->folder(), a.dataFolder());
    EXPECT_EQ(scanSettings.smoothingWeight, 2);
    EXPECT_EQ(a.scanTable().capacity(), 24);
    EXPECT_EQ(a.scanTable().maximumAge(), 120);
}

TEST_F(ApplicationTest, AMissingDataFolderIsMadeSoDownloadsCanBeStored) {
    std::filesystem::remove_all(dir.path() / "data");
    ASSERT_TRUE(start().usable());
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "data"));
    EXPECT_TRUE(database->asked().add(*BssidKey::fromText("0011223344ff")));
    EXPECT_TRUE(dir.exists("data/apchecked.txt"));
}

TEST_F(ApplicationTest, AProgramPathWithoutAFolderIsReportedAndLeavesTheObjectIdle) {
    Application& a = start(L"nearbeam.exe");
    EXPECT_FALSE(a.usable());
    ASSERT_EQ(notifier.messages().size(), 1u);
    EXPECT_EQ(notifier.messages()[0].text, L"Problem getting path.");
    EXPECT_EQ(notifier.messages()[0].caption, L"Internal Error");
    driver->records = {ap(0xa1, -20)};
    a.tick();
    a.showWhereAmI();
    EXPECT_TRUE(notifier.statuses().empty());
    EXPECT_TRUE(pages.empty());
    EXPECT_EQ(driver->scans, 0);
}

TEST_F(ApplicationTest, WithoutAccessPointsItIsLost) {
    start();
    LookupStatus status = 0;
    EXPECT_EQ(tick(&status), L"I am lost (no wireless signal available)");
    EXPECT_EQ(status, 0x180);
    ASSERT_EQ(notifier.statuses().size(), 1u);
    EXPECT_EQ(notifier.statuses()[0].icon, 124);
    EXPECT_TRUE(notifier.alerts().empty());
}

TEST_F(ApplicationTest, AKnownPlaceSaysAtFromQuality70AndNearBelow) {
    struct Case {
        int32_t rssi;
        const wchar_t* text;
        size_t alerts;
    };
    const Case cases[] = {
        {-30, L"You are at Hall", 1},
        {-31, L"You are near Hall", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rssi);
        notifier.clear();
        start();
        driver->records = {ap(0xa2, c.rssi)};
        LookupStatus status = 0;
        EXPECT_EQ(tick(&status), c.text);
        EXPECT_EQ(status, 0x2000);
        ASSERT_EQ(notifier.statuses().size(), 1u);
        EXPECT_EQ(notifier.statuses()[0].icon, 122);
        EXPECT_EQ(notifier.statuses()[0].tooltip, c.text);
        ASSERT_EQ(notifier.alerts().size(), c.alerts);
        if (c.alerts) {
            EXPECT_EQ(notifier.alerts()[0].title, L"Your location...");
            EXPECT_EQ(notifier.alerts()[0].text, c.text);
            EXPECT_EQ(notifier.alerts()[0].link, L"");
        }
    }
}

TEST_F(ApplicationTest, AnUnchangedTextChangesNothingAndAlertsOnce) {
    start();
    driver->records = {ap(0xa1, -20)};
    tick();
    tick();
    tick();
    EXPECT_EQ(notifier.statuses().size(), 1u);
    EXPECT_EQ(notifier.alerts().size(), 1u);
}

TEST_F(ApplicationTest, AlertsCanBeTurnedOff) {
    settings::write(store, settings::LocationAlerts, 0);
    start();
    driver->records = {ap(0xa1, -20)};
    tick();
    EXPECT_EQ(notifier.statuses().size(), 1u);
    EXPECT_TRUE(notifier.alerts().empty());
}

TEST_F(ApplicationTest, QualityComesFromTheSmoothedSignal) {
    start();
    driver->records = {ap(0xa2, -40)};
    EXPECT_EQ(tick(), L"You are near Hall");
    // A raw reading of -20 is quality 80, but the average moves only to -33.
    driver->records = {ap(0xa2, -20)};
    EXPECT_EQ(tick(), L"You are near Hall");
    EXPECT_EQ(app->scanTable().best()->smoothedSignal(), -33);
}

TEST_F(ApplicationTest, LocationTextsFollowBuildingNameAndFloor) {
    struct Case {
        uint8_t ap;
        const wchar_t* longText;
        const wchar_t* shortText;
    };
    const Case cases[] = {
        {0xa1, L"Library, Reading room (3rd floor)", L"Library"},
        {0xa2, L"Hall", L"Hall"},               // no name, no floor
        {0xa3, L", Kiosk", L""},                // no building
        {0xa5, L"Library, Stacks", L"Library"}, // no floor
    };
    start();
    for (const Case& c : cases) {
        driver->records = {ap(c.ap, -20)};
        for (int i = 0; i < 15; ++i)
            tick(); // the previous access point ages out
        EXPECT_EQ(app->longLocationText(), c.longText);
        EXPECT_EQ(app->shortLocationText(), c.shortText);
    }
}

TEST_F(ApplicationTest, AnEditedPlaceShowsAtOnce) {
    start();
    driver->records = {ap(0xa1, -20)};
    tick();
    LocationRecord* place = database->locations().find(*BssidKey::fromText(key(0xa1)));
    place->floor = "4"; // as the wizard corrects it
    EXPECT_EQ(tick(), L"Library, Reading room (3rd floor)");
    app->placeEdited();
    EXPECT_EQ(app->statusText(), L"Library, Reading room (4th floor)");
    EXPECT_EQ(notifier.statuses().back().tooltip, L"Library, Reading room (4th floor)");
}

TEST_F(ApplicationTest, TheFortyCharacterRule) {
    start();
    // "The Old Observatory Annex" is 25 characters: "You are at " makes 36,
    // "You are near " 38; both stay. "Library, Reading room (3rd floor)" is 33:
    // 44 and 46 characters, so the place alone. A place of 29 characters makes
    // exactly 40 with "You are at " and stays; one of 30 does not.
    struct Case {
        uint8_t ap;
        int32_t rssi;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0xa4, -20, L"You are at The Old Observatory Annex"},
        {0xa4, -50, L"You are near The Old Observatory Annex"},
        {0xa1, -20, L"Library, Reading room (3rd floor)"},
        {0xa1, -50, L"Library, Reading room (3rd floor)"},
        {0xa6, -20, L"You are at Bergen Public Library Annex B"},
        {0xa6, -50, L"Bergen Public Library Annex B"},
        {0xa7, -20, L"Bergen Public Library Annex BC"},
    };
    for (const Case& c : cases) {
        start();
        driver->records = {ap(c.ap, c.rssi)};
        EXPECT_EQ(tick(), c.text);
    }
}

TEST_F(ApplicationTest, LosingAllAccessPointsAfterAPlaceSaysLastSeen) {
    start();
    driver->records = {ap(0xa1, -20)};
    tick();
    driver->records.clear();
    LookupStatus status = 0;
    std::wstring text;
    for (int i = 0; i < 13 && status != 0x80; ++i)
        text = tick(&status);
    EXPECT_EQ(text, L"You were last seen at Library");
    EXPECT_EQ(status, 0x80);
    EXPECT_EQ(notifier.statuses().back().icon, 122);
    EXPECT_TRUE(app->seenBefore());
    EXPECT_EQ(notifier.alerts().size(), 1u); // only the first arrival
}

TEST_F(ApplicationTest, AnAccessPointTheServerDoesNotKnow) {
    struct Case {
        int32_t rssi;
        const wchar_t* text;
        size_t alerts;
    };
    const Case cases[] = {
        {-30, L"I'm curious, where are we?", 1},
        {-31, L"I don't recognize this place.", 0},
    };
    for (const Case& c : cases) {
        notifier.clear();
        start();
        driver->records = {ap(0xc1, c.rssi)};
        LookupStatus status = 0;
        EXPECT_EQ(tick(&status), c.text);
        EXPECT_EQ(status, 0x4000);
        EXPECT_EQ(notifier.statuses().back().icon, 123);
        EXPECT_EQ(notifier.alerts().size(), c.alerts);
        EXPECT_FALSE(app->seenBefore());
    }
    EXPECT_TRUE(download.requested.empty());
}

TEST_F(ApplicationTest, AnUnknownAccessPointGoesToTheDownloadAndShowsItsState) {
    struct Case {
        int32_t state;
        const wchar_t* text;
        int icon;
    };
    const Case cases[] = {
        {0x30000, L"Trying to find a map server...", 125},
        {0x50000, L"Connecting to the map server...", 125},
        {0x90000, L"Requesting a map...", 125},
        {0x110000, L"Downloading map...", 125},
        {0x500, L"I need a map (no internet connection)", 124},
        {0x900, L"Bad response from server (login required?)", 124},
        {0x8000, L"Downloading map...", 122},
    };
    start();
    driver->records = {ap(0xd1, -20)};
    for (const Case& c : cases) {
        download.current = c.state;
        LookupStatus status = 0;
        EXPECT_EQ(tick(&status), c.text);
        EXPECT_EQ(status, c.state);
        EXPECT_EQ(notifier.statuses().back().icon, c.icon);
    }
    EXPECT_TRUE(notifier.alerts().empty());
    ASSERT_FALSE(download.requested.empty());
    EXPECT_EQ(download.requested[0], key(0xd1));
}

TEST_F(ApplicationTest, ARefusedListSaysTheDeviceIsNotAvailable) {
    start();
    driver->answer = QueryStatus::AccessDenied;
    LookupStatus status = 0;
    EXPECT_EQ(tick(&status), L"Can't detect location (device not available)");
    EXPECT_EQ(notifier.statuses().back().icon, 124);
    driver->answer = QueryStatus::Ok;
    EXPECT_EQ(tick(), L"I am lost (no wireless signal available)");
}

TEST_F(ApplicationTest, ChangesOfPlaceAreToldToTheSubscriptions) {
    start();
    const uint8_t walk[] = {0xa1, 0xa1, 0xa2, 0xa2, 0xa1};
    for (uint8_t at : walk) {
        driver->records = {ap(at, -20)};
        for (int i = 0; i < 14; ++i)
            tick();
    }
    EXPECT_EQ(changes, (std::vector<std::string>{key(0xa1), key(0xa2), key(0xa1)}));
}

// A network that asked not to be mapped is not asked about, placed or not.
TEST_F(ApplicationTest, ANetworkThatAskedNotToBeMappedStaysOffTheServer) {
    const InfrastructureMode infra = InfrastructureMode::Infrastructure;
    struct Case {
        AccessPointRecord record;
        const wchar_t* text;
    };
    const Case cases[] = {
        {ap(0xd1, -40, infra, "Home_nomap"), L"I don't recognize this place."},
        {ap(0xd2, -40, infra, ""), L"I don't recognize this place."},
        {ap(0xa1, -20, infra, "Lab_OPTOUT"), L"Library, Reading room (3rd floor)"},
    };
    start();
    for (const Case& c : cases) {
        driver->records = {c.record};
        EXPECT_EQ(tick(), c.text);
        EXPECT_TRUE(database->optedOut().contains(BssidKey::fromBytes(c.record.bssid.data())));
    }
    EXPECT_TRUE(download.requested.empty());
}

// Private mode keeps the place from the services and marks the tooltip; the
// place is told once the mode ends.
TEST_F(ApplicationTest, PrivateModeHoldsThePlaceBackUntilItEnds) {
    start();
    settings::write(store, settings::PrivateMode, 1);
    driver->records = {ap(0xa1, -20)};
    const std::wstring text = tick();
    EXPECT_EQ(notifier.statuses().back().tooltip, text + L" (private)");
    EXPECT_TRUE(changes.empty());
    settings::write(store, settings::PrivateMode, 0);
    tick();
    EXPECT_EQ(notifier.statuses().back().tooltip, text);
    EXPECT_EQ(changes, std::vector<std::string>{key(0xa1)});
    EXPECT_EQ(notifier.alerts().size(), 1u);
}

TEST_F(ApplicationTest, OnlyInfrastructureAccessPointsAreTakenButAllCalibrate) {
    freshProfile = true;
    start();
    driver->records = {ap(0xa1, -70, InfrastructureMode::Independent),
                       ap(0xa2, -30, InfrastructureMode::Automatic), ap(0xc1, -50)};
    tick();
    EXPECT_EQ(app->scanTable().count(), 1);
    EXPECT_EQ(device->calibration().rssiMin(), -72);
    EXPECT_EQ(device->calibration().rssiMax(), -30);
}

TEST_F(ApplicationTest, AnActiveScanIsRequestedEverySixthTick) {
    start();
    for (int i = 0; i < 5; ++i)
        tick();
    EXPECT_EQ(driver->scans, 0);
    tick();
    EXPECT_EQ(driver->scans, 1);
    for (int i = 0; i < 6; ++i)
        tick();
    EXPECT_EQ(driver->scans, 2);
}

TEST_F(ApplicationTest, WhereAmIOpensThePageOfTheStrongestOrAsksForAScan) {
    start();
    tick();
    app->showWhereAmI();
    EXPECT_TRUE(pages.empty());
    EXPECT_EQ(driver->scans, 1);
    driver->records = {ap(0xa2, -60), ap(0xa1, -20)};
    tick();
    app->showWhereAmI();
    EXPECT_EQ(pages, std::vector<std::wstring>{widen(key(0xa1))});
}

// The strongest access point hangs on the floor above; the three heard almost
// as well are on the map room's floor, which is where the user is. The survey
// scans then settle a floor that no known access point is placed on.
TEST_F(ApplicationTest, EveryKnownAccessPointInRangeDecidesThePlace) {
    writeData("ap.txt", "0011223344b0\t10\t0\t4\tRoof garden\t0\n"
                        "0011223344b1\t10\t0\t2\tMap room\t0\n"
                        "0011223344b2\t10\t0\t2\tMap room\t0\n"
                        "0011223344b3\t10\t0\t2\tMap room\t0\n");
    start();
    driver->records = {ap(0xb0, -26), ap(0xb2, -30), ap(0xb1, -30), ap(0xb3, -31), ap(0xc1, -40)};
    LookupStatus status = 0;
    EXPECT_EQ(tick(&status), L"You are at Library, Map room (2nd floor)");
    EXPECT_EQ(status, status::kFound);
    EXPECT_EQ(changes, std::vector<std::string>{key(0xb2)});
    app->showWhereAmI();
    EXPECT_EQ(pages, std::vector<std::wstring>{widen(key(0xb2))});
    // Unchanged: nothing is told again.
    tick();
    EXPECT_EQ(changes.size(), 1u);

    // Scans of the third floor that match what is heard better than any other.
    std::string scans;
    for (const char* signals :
         {"-26\t0011223344b2:-30\t0011223344b1:-30", "-27\t0011223344b2:-31\t0011223344b1:-30",
          "-26\t0011223344b2:-30\t0011223344b1:-31"})
        scans += std::string("10\t3\tStudy\t0\t2026-12-08T09:15:00Z\t0011223344b0:") + signals +
                 "\t0011223344b3:-31\r\n";
    scans += "99\t1\tNowhere\t0\t2026-12-08T09:15:00Z\t0011223344b0:-26\r\n"; // unknown building
    writeData("scans.txt", scans);
    EXPECT_EQ(tick(), L"You are at Library, Study (3rd floor)");
    EXPECT_EQ(database->scans().size(), 3u);
    EXPECT_EQ(changes.size(), 2u);
    tick();
    EXPECT_EQ(changes.size(), 2u);
}

// What the wizard keeps as its survey scan: the latest scan at its own signal,
// without the network that asked not to be mapped, ad-hoc stations, or an
// access point the table keeps from an earlier scan.
TEST_F(ApplicationTest, WhatIsHeardNowIsTheLatestScan) {
    start();
    driver->records = {ap(0xa1, -40), ap(0xc7, -60),
                       ap(0xd1, -50, InfrastructureMode::Infrastructure, "Cafe_nomap"),
                       ap(0xd2, -45, InfrastructureMode::Independent)};
    tick();
    driver->records = {ap(0xa1, -70),
                       ap(0xd1, -50, InfrastructureMode::Infrastructure, "Cafe_nomap")};
    tick();
    ASSERT_NE(app->scanTable().find(ap(0xc7, 0).bssid), nullptr); // aging, not heard
    EXPECT_EQ(app->heardNow(), (std::vector<ScanReading>{{*BssidKey::fromText(key(0xa1)), -70}}));
    driver->records = {};
    tick();
    EXPECT_EQ(app->heardNow(), std::vector<ScanReading>{});
}

// A place first heard weakly says "You are near"; cut to the place when long, the
// text is the same once the user is there. The alert comes then, once.
TEST_F(ApplicationTest, APlaceFirstHeardWeaklyIsAnnouncedOnArrival) {
    start();
    for (int32_t rssi : {-60, -45, -20, -20, -10}) {
        driver->records = {ap(0xa7, rssi)};
        tick();
    }
    EXPECT_EQ(app->statusText(), L"Bergen Public Library Annex BC");
    ASSERT_EQ(notifier.alerts().size(), 1u);
    EXPECT_EQ(notifier.alerts()[0].text, L"Bergen Public Library Annex BC");
    EXPECT_EQ(app->shownPlace(), database->locations().find(*BssidKey::fromText(key(0xa7))));
}

// The hall's access point keeps being heard with the library's, which outvote
// it: it moves (a hotspot carried along), and alone it no longer says "at".
TEST_F(ApplicationTest, AnAccessPointOutvotedAgainAndAgainIsTakenAsMoving) {
    start();
    driver->records = {ap(0xa2, -20), ap(0xa1, -22), ap(0xa5, -22)};
    const BssidKey hall = *BssidKey::fromText(key(0xa2));
    EXPECT_EQ(tick(), L"Library, Reading room (3rd floor)");
    const int32_t needed = DecisionSettings().movingContradictions;
    for (int i = 2; i < needed; ++i)
        tick();
    EXPECT_FALSE(database->moving().isMoving(hall));
    tick();
    EXPECT_TRUE(database->moving().isMoving(hall));
    EXPECT_FALSE(database->moving().isMoving(*BssidKey::fromText(key(0xa1))));
    driver->records = {ap(0xa2, -20)};
    std::wstring text;
    for (int i = 0; i < 15; ++i)
        text = tick(); // the library's access points age out
    EXPECT_EQ(text, L"You are near Hall");

    // One that agrees as often as it is contradicted is not moving; an unknown
    // access point is no witness.
    MovingAccessPoints moving;
    const PlaceKey library{10, "", ""}, other{11, "", ""};
    const BssidKey a1 = *BssidKey::fromText(key(0xa1));
    const BssidKey a5 = *BssidKey::fromText(key(0xa5));
    const std::vector<HeardAccessPoint> withLibrary = {
        {hall, -20, &other}, {a1, -22, &library}, {a5, -30, &library}, {BssidKey(), -10, nullptr}};
    const std::vector<HeardAccessPoint> withHall = {{hall, -20, &other}, {a1, -22, &other}};
    for (int i = 0; i < needed + 1; ++i) {
        moving.witness(withLibrary);
        moving.witness(withHall);
    }
    EXPECT_FALSE(moving.isMoving(hall));
    moving.witness(withLibrary);
    EXPECT_TRUE(moving.isMoving(hall));

    // Weak readings never count against it: its own, nor its witnesses'.
    MovingAccessPoints weak;
    const std::vector<HeardAccessPoint> faint = {
        {hall, -86, &other}, {a1, -40, &library}, {a5, -40, &library}};
    const std::vector<HeardAccessPoint> faintWitnesses = {
        {hall, -40, &other}, {a1, -86, &library}, {a5, -86, &library}};
    for (int i = 0; i < 3 * needed; ++i) {
        weak.witness(faint);
        weak.witness(faintWitnesses);
    }
    EXPECT_FALSE(weak.isMoving(hall));
}

// An access point whose building is gone from the records has no say: the
// place shown is one the records hold.
TEST_F(ApplicationTest, AnAccessPointOfABuildingNoLongerInTheRecordsDoesNotVote) {
    writeData("ap.txt", key(0xb9) + "\t99\t0\t2\tGone\t0\n");
    start();
    driver->records = {ap(0xb9, -20), ap(0xa1, -30), ap(0xa5, -35)};
    EXPECT_EQ(tick(), L"Library, Reading room (3rd floor)");
}

// A new access point, stronger than the known ones, does not make the program
// forget where it is; it is asked of the server all the same, and once placed
// it votes. Far stronger than every known one, it is taken for somewhere else.
TEST_F(ApplicationTest, AnUnknownStrongestAccessPointLetsTheKnownOnesDecide) {
    start();
    driver->records = {ap(0xe1, -15), ap(0xa1, -25), ap(0xa5, -40)};
    LookupStatus status = 0;
    EXPECT_EQ(tick(&status), L"Library, Reading room (3rd floor)");
    EXPECT_EQ(status, 0x2000);
    EXPECT_EQ(download.requested, std::vector<std::string>{key(0xe1)});
    EXPECT_EQ(notifier.statuses().back().icon, 122);
    // The server places it in the hall, where it is heard at -15 dBm.
    writeData("ap.txt", key(0xe1) + "\t11\t0\t\t\t0\n");
    database->openDatabase(dir.folder() + "data/");
    EXPECT_EQ(tick(&status), L"You are at Hall");

    start();
    driver->records = {ap(0xe2, -15), ap(0xa1, -40)};
    download.current = lookup_status::Queued;
    EXPECT_EQ(tick(&status), L"Trying to find a map server...");
    EXPECT_EQ(status, lookup_status::Queued);
}

// On a fresh profile the calibration starts at RssiMin 0. An access point that
// vanishes must lose strength, so the place gives way to one still in range.
TEST_F(ApplicationTest, AVanishedAccessPointFadesOnAFreshProfile) {
    freshProfile = true;
    start();
    driver->records = {ap(0xa1, -40), ap(0xa2, -60)};
    EXPECT_EQ(tick(), L"Library, Reading room (3rd floor)");
    EXPECT_EQ(device->calibration().rssiMin(), -62);

    driver->records = {ap(0xa2, -60)};
    int32_t previous = app->scanTable().find(ap(0xa1, 0).bssid)->smoothedSignal();
    std::wstring text;
    int ticks = 0;
    while (ticks < 11 && text != L"You are near Hall") {
        text = tick();
        ++ticks;
        if (AccessPointEntry* gone = app->scanTable().find(ap(0xa1, 0).bssid)) {
            EXPECT_LT(gone->smoothedSignal(), previous);
            previous = gone->smoothedSignal();
        }
    }
    EXPECT_EQ(text, L"You are near Hall");
    // Well before the vanished access point would have aged out of the table.
    EXPECT_LT(ticks, 11);
    EXPECT_NE(app->scanTable().find(ap(0xa1, 0).bssid), nullptr);
}

TEST_F(ApplicationTest, EveryTickIsTraced) {
    start();
    TraceWriter trace(dir.file("trace.txt"), clock, 0);
    ApplicationParts parts(store, *database, *device, scanSettings, clock, notifier);
    parts.trace = &trace;
    Application traced(parts, widen(dir.folder()) + L"nearbeam.exe");
    traced.tick();
    clock.advance(10000);
    driver->records = {ap(0xa1, -20)};
    traced.tick();
    EXPECT_EQ(dir.read("trace.txt"), "0\ttick\t384\tI am lost (no wireless signal available)\n"
                                     "10000\ttick\t8192\tLibrary, Reading room (3rd floor)\n");
}

} // namespace
} // namespace nearbeam
