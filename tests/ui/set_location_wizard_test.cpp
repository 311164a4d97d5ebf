// The set-location wizard's decisions, over real data files.

#include "ui/set_location_wizard.h"

#include "base/settings_keys.h"
#include "records/database_fixture.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

using Names = std::vector<std::string>;

class SetLocationWizardTest : public LocationDatabaseFixture {
  protected:
    SetLocationWizardTest() {
        dir.write("country.txt", "7\tNorway\t0\r\n8\tSweden\t0\r\n");
        dir.write("province.txt",
                  "12\t7\tVestland\t0\r\n13\t7\tRogaland\t0\r\n14\t8\tScania\t0\r\n");
        dir.write("city.txt", "40\t12\tBergen\t0\r\n41\t13\tStavanger\t0\r\n");
        dir.write("area.txt", "5\t40\tCampus\t0\r\n");
        dir.write("building.txt", kBuildings);
        dir.write("ap.txt", kAps);
    }

    static constexpr const char* kBuildings = "31\t5\t40\tLibrary\tMain St 1\t0\r\n"
                                              "32\t0\t40\tStation\tRail Rd 2\t0\r\n";
    // The library's desk (a server record), the station (a local record), in Bergen.
    static constexpr const char* kAps = "aaaaaaaaaaa1\t31\t0\t2\tDesk\t0\r\n"
                                        "aaaaaaaaaaa2\t32\t0\t\t\t3\r\n";
    const BssidKey library = key("aaaaaaaaaaa1");
    const BssidKey station = key("aaaaaaaaaaa2");
    const BssidKey unknown = key("0c8112aa0001");

    SetLocationWizard correcting(const BssidKey& k) {
        return SetLocationWizard(db, k, db.locations().find(k));
    }
    SetLocationWizard placing() { return SetLocationWizard(db, unknown, nullptr); }
    int32_t uploadNeeded() { return settings::read(settings, settings::UploadNeeded); }
};

TEST_F(SetLocationWizardTest, TheFirstPageFollowsThePlaceAlreadyKnown) {
    struct Case {
        const char* what;
        std::function<SetLocationWizard()> open;
        WizardPage page;
        Names texts;
    };
    // In this order: the second case makes a city the most recently looked up.
    const Case cases[] = {
        {"new, nothing looked up", [&] { return placing(); }, WizardPage::Place, {"", "", ""}},
        {"new, a city looked up",
         [&] {
             db.cities().findById(41);
             return placing();
         },
         WizardPage::Area,
         {"Norway", "Rogaland", "Stavanger"}},
        {"correcting, building in an area",
         [&] { return correcting(library); },
         WizardPage::Building,
         {"Norway", "Vestland", "Bergen"}},
        {"correcting, building outside any area",
         [&] { return correcting(station); },
         WizardPage::Area,
         {"Norway", "Vestland", "Bergen"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLocationWizard wizard = c.open();
        EXPECT_EQ(wizard.firstPage(), c.page);
        EXPECT_EQ(wizard.placeTexts(), c.texts);
    }
}

TEST_F(SetLocationWizardTest, ChangingTheCountryKeepsOnlyTheChoicesThatBelongToIt) {
    SetLocationWizard wizard = correcting(library); // Bergen, Vestland, Norway chosen
    struct Step {
        const char* country;
        Names provinces;
        std::string province;
        Names cities;
        std::string city;
    };
    const Step steps[] = {
        {"Norway", {"Vestland", "Rogaland"}, "Vestland", {"Bergen"}, "Bergen"},
        {"Sweden", {"Scania"}, "", {}, ""},
        {"Norway", {"Vestland", "Rogaland"}, "", {}, ""}, // the choice was let go
        {"Atlantis", {}, "", {}, ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.country);
        const auto change = wizard.countryChanged(s.country);
        EXPECT_EQ(change.provinces.items, s.provinces);
        EXPECT_EQ(change.provinces.text, s.province);
        EXPECT_EQ(change.cities.items, s.cities);
        EXPECT_EQ(change.cities.text, s.city);
    }
    // Without a country, a province of the same name elsewhere is not taken.
    EXPECT_EQ(wizard.provinceChanged("Vestland").items, Names{});
    EXPECT_EQ(wizard.province(), nullptr);
    wizard.countryChanged("Norway");
    EXPECT_EQ(wizard.provinceChanged("Rogaland").items, Names{"Stavanger"});
}

TEST_F(SetLocationWizardTest, NextNeedsAllThreeFieldsAndMakesOnlyInMemory) {
    SetLocationWizard wizard = placing();
    const WizardMessage missing{L"All fields must be filled", L"Where am I?"};
    for (const Names& fields : {Names{"", "Vestland", "Voss"}, Names{"Norway", "", "Voss"},
                                Names{"Norway", "Vestland", ""}}) {
        EXPECT_EQ(wizard.placeNext(fields[0], fields[1], fields[2]), missing);
    }
    EXPECT_EQ(db.cities().cachedCount(), 0u);

    EXPECT_EQ(wizard.placeNext("Norway", "Vestland", "Voss"), std::nullopt);
    ASSERT_NE(wizard.city(), nullptr);
    EXPECT_EQ(wizard.city()->id, 4294967295u);
    EXPECT_EQ(wizard.city()->status, record_status::New);
    EXPECT_EQ(wizard.city()->parent->name, "Vestland");
    EXPECT_EQ(dir.read("city.txt"), "40\t12\tBergen\t0\r\n41\t13\tStavanger\t0\r\n");
    EXPECT_EQ(wizard.areaLabel(), L"Voss, Vestland, Norway");
}

TEST_F(SetLocationWizardTest, FinishSavesTheNewRecordsInOrderAndAsksForAnUpload) {
    struct Case {
        const char* area;
        const char* areaFile;
        const char* buildingLine;
        const char* apLine;
    };
    // Each case places the access point in a new city, with or without a new area.
    const Case cases[] = {
        {"", "5\t40\tCampus\t0\r\n", "4294967294\t0\t4294967295\tBus Shelter\tQuay 1\t3\r\n",
         "0c8112aa0001\t4294967294\t0\t3\tBench\t3\r\n"},
        {"Harbour", "5\t40\tCampus\t0\r\n4294967294\t4294967295\tHarbour\t3\r\n",
         "4294967293\t4294967294\t4294967295\tBus Shelter\tQuay 1\t3\r\n",
         "0c8112aa0001\t4294967293\t0\t3\tBench\t3\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.area);
        TempDir folder;
        MemorySettingsStore store;
        LocationDatabase fresh(store);
        fresh.openDatabase(folder.folder());
        for (const char* name : {"country.txt", "province.txt", "city.txt", "area.txt"})
            folder.write(name, dir.read(name));

        SetLocationWizard wizard(fresh, unknown, nullptr);
        ASSERT_EQ(wizard.placeNext("Norway", "Vestland", "Voss"), std::nullopt);
        wizard.areaView();
        wizard.areaNext(c.area);
        EXPECT_EQ(wizard.buildingNames(), Names{});
        EXPECT_EQ(wizard.buildingChanged("Bus Shelter"), std::nullopt);
        EXPECT_EQ(wizard.finish({"Bus Shelter", "Quay 1", "3", "Bench"}), std::nullopt);

        EXPECT_EQ(folder.read("country.txt"), dir.read("country.txt")); // server records stay
        EXPECT_EQ(folder.read("city.txt"), dir.read("city.txt") + "4294967295\t12\tVoss\t3\r\n");
        EXPECT_EQ(folder.read("area.txt"), c.areaFile);
        EXPECT_EQ(folder.read("building.txt"), c.buildingLine);
        EXPECT_EQ(folder.read("ap.txt"), c.apLine); // the floor as typed
        EXPECT_TRUE(fresh.changed);
        EXPECT_EQ(settings::read(store, settings::UploadNeeded), 1);
        EXPECT_EQ(fresh.locations().find(unknown)->cityName(), "Voss");
    }
}

TEST_F(SetLocationWizardTest, ACorrectionIsWrittenBackWithTheStatusOfItsOrigin) {
    struct Case {
        const char* key;
        int32_t before; // status in the file
        const char* line;
    };
    const Case cases[] = {
        {"aaaaaaaaaaa1", 0, "aaaaaaaaaaa1\t32\t0\t5\tTicket hall\t6\r\n"},
        {"aaaaaaaaaaa2", 3, "aaaaaaaaaaa2\t32\t0\t5\tTicket hall\t3\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        LocationRecord* record = db.locations().find(key(c.key));
        ASSERT_EQ(record->status, c.before);
        SetLocationWizard wizard(db, key(c.key), record);
        wizard.areaView();
        wizard.areaNext("");
        EXPECT_EQ(wizard.buildingChanged("Station"), "Rail Rd 2");
        EXPECT_EQ(wizard.finish({"Station", "ignored for a stored building", "5", "Ticket hall"}),
                  std::nullopt);
        const std::string file = dir.read("ap.txt");
        // Every other line stays in its order; the corrected one goes last.
        EXPECT_EQ(file.substr(file.size() - std::string(c.line).size()), c.line);
        EXPECT_EQ(db.buildings().findById(32)->name, "Station");
    }
    EXPECT_EQ(dir.read("building.txt"), kBuildings); // nothing new to write
    EXPECT_EQ(uploadNeeded(), 1);
}

TEST_F(SetLocationWizardTest, ACorrectedBuildingMovesTheDerivedPlace) {
    LocationRecord* record = db.locations().find(library);
    EXPECT_EQ(record->areaName(), "Campus"); // shown before: resolved
    SetLocationWizard wizard(db, library, record);
    const auto view = wizard.buildingView();
    EXPECT_EQ(view.building, "Library");
    EXPECT_EQ(view.streetAddress, "Main St 1");
    EXPECT_EQ(view.floor, "2");
    EXPECT_EQ(view.location, "Desk");
    EXPECT_EQ(view.buildings, Names{"Library"});

    // Back to the Place page, another city; the Library found before is in Bergen.
    ASSERT_EQ(wizard.placeNext("Norway", "Rogaland", "Stavanger"), std::nullopt);
    EXPECT_EQ(wizard.areaView().text, "");
    wizard.areaNext("");
    EXPECT_EQ(wizard.finish({"Library", "Harbour Rd 9", "2", "Desk"}), std::nullopt);

    ASSERT_NE(record->building, nullptr);
    EXPECT_EQ(record->building->parent->name, "Stavanger");
    EXPECT_EQ(record->building->streetAddress, "Harbour Rd 9");
    EXPECT_EQ(record->areaName(), "");
    EXPECT_EQ(record->cityName(), "Stavanger");
    EXPECT_EQ(record->provinceName(), "Rogaland");
    EXPECT_EQ(dir.read("building.txt"),
              std::string(kBuildings) + "4294967295\t0\t41\tLibrary\tHarbour Rd 9\t3\r\n");
}

// An edit that renames or moves the only access point of a place takes the
// place's survey scans along, as scans made here; an access point moved away
// from a place that others still name leaves them. The scans in memory follow.
TEST_F(SetLocationWizardTest, ScansFollowAPlaceRenamedOrMoved) {
    const std::string other = "32\t\t\t3\t2026-12-08T09:17:00Z\taaaaaaaaaaa2:-50\r\n";
    const std::string damaged = "31\t2\tDesk\t0\tyesterday\taaaaaaaaaaa1:-40\r\n";
    // The last line stays: a rename to a text of the same length keeps the size.
    const auto scansAt = [&](const char* place, const char* status) {
        return "31\t" + std::string(place) + "\t" + status +
               "\t2026-12-08T09:15:00Z\taaaaaaaaaaa1:-40\r\n" + damaged + "31\t" + place +
               "\t3\t2026-12-08T09:16:00Z\taaaaaaaaaaa1:-45\r\n" + other;
    };
    struct Case {
        const char* name;
        const char* moreAps;
        const char* floor;
        const char* location;
        std::string scans;
    };
    const Case cases[] = {
        {"location renamed", "", "2", "Hall", scansAt("2\tHall", "3")},
        {"floor moved", "", "3", "Desk", scansAt("3\tDesk", "3")},
        {"another access point still there", "aaaaaaaaaaa3\t31\t0\t2\tDesk\t0\r\n", "3", "Desk",
         scansAt("2\tDesk", "0")},
        {"nothing changed", "", "2", "Desk", scansAt("2\tDesk", "0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("ap.txt", std::string(kAps) + c.moreAps);
        dir.write("scans.txt", scansAt("2\tDesk", "0"));
        MemorySettingsStore store;
        LocationDatabase fresh(store);
        fresh.openDatabase(dir.folder());
        ASSERT_EQ(fresh.refreshScans(), "");
        ASSERT_EQ(fresh.scans().size(), 3u);

        SetLocationWizard wizard(fresh, library, fresh.locations().find(library));
        EXPECT_EQ(wizard.buildingView().building, "Library");
        EXPECT_EQ(wizard.finish({"Library", "", c.floor, c.location}), std::nullopt);
        EXPECT_EQ(dir.read("scans.txt"), c.scans);
        fresh.refreshScans();
        const std::vector<ScanStore::Neighbour> nearest =
            fresh.scans().nearest({HeardAccessPoint{library, -40, nullptr}}, DecisionSettings{});
        ASSERT_FALSE(nearest.empty());
        EXPECT_EQ(nearest[0].place->floor + "/" + nearest[0].place->location,
                  c.moreAps[0] ? "2/Desk" : std::string(c.floor) + "/" + c.location);
    }
}

TEST_F(SetLocationWizardTest, FinishRefusesWhatItCannotSaveAndSavesTheRestLater) {
    SetLocationWizard lost(db, unknown, nullptr);
    EXPECT_EQ(lost.finish({"Hall", "", "", ""}),
              (WizardMessage{L"Can't find info about previous pages. Probably out of memory.",
                             L"Internal Error"}));

    SetLocationWizard wizard = correcting(station);
    wizard.areaView();
    wizard.areaNext("");
    EXPECT_EQ(wizard.finish({"", "", "", ""}),
              (WizardMessage{L"You must specify a building name", L"Where am I?"}));
    EXPECT_EQ(uploadNeeded(), 0);

    // ap.txt cannot be replaced: the new building is written, the place is not,
    // and the user is told; a second Finish writes the place alone.
    std::filesystem::create_directory(dir.path() / "ap.txt.tmp");
    EXPECT_EQ(wizard.finish({"Depot", "Yard 1", "", ""}),
              (WizardMessage{L"The place could not be saved: the data folder cannot be written.",
                             L"Where am I?"}));
    EXPECT_EQ(dir.read("ap.txt"), kAps);
    EXPECT_EQ(uploadNeeded(), 1); // the building waits for upload
    std::filesystem::remove(dir.path() / "ap.txt.tmp");
    EXPECT_EQ(wizard.finish({"Depot", "Yard 1", "", ""}), std::nullopt);
    EXPECT_EQ(dir.read("building.txt"),
              std::string(kBuildings) + "4294967295\t0\t40\tDepot\tYard 1\t3\r\n");
    EXPECT_EQ(dir.read("ap.txt"),
              "aaaaaaaaaaa1\t31\t0\t2\tDesk\t0\r\naaaaaaaaaaa2\t4294967295\t0\t\t\t3\r\n");
}

// An ap.txt line without an address could not be read back: the place would be
// lost and every upload after it refused. Finish writes nothing for such a key.
TEST_F(SetLocationWizardTest, FinishWritesAnAccessPointLineOnlyForAnAddress) {
    BssidKey notAnAddress;
    notAnAddress.digits = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z', '\0'};
    struct Case {
        const char* what;
        BssidKey key;
        std::optional<WizardMessage> message;
        std::string apFile;
    };
    const WizardMessage none{L"There is no access point here to place.", L"Where am I?"};
    const Case cases[] = {
        {"a page without an access point", BssidKey(), none, kAps},
        {"not an address", notAnAddress, none, kAps},
        {"an access point", unknown, std::nullopt,
         std::string(kAps) + "0c8112aa0001\t31\t0\t3\tStudy room\t3\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("ap.txt", kAps);
        SetLocationWizard wizard(db, c.key, nullptr);
        ASSERT_EQ(wizard.placeNext("Norway", "Vestland", "Bergen"), std::nullopt);
        wizard.areaNext("Campus");
        EXPECT_EQ(wizard.finish({"Library", "", "3", "Study room"}), c.message);
        EXPECT_EQ(dir.read("ap.txt"), c.apFile);
        EXPECT_EQ(dir.read("building.txt"), kBuildings);
    }
}

// The survey scan is what was heard as the wizard opened, not what is heard at
// Finish (which may be another building); when that was nothing, no scan is kept
// and the last page says so.
TEST_F(SetLocationWizardTest, FinishKeepsTheScanHeardAsTheWizardOpened) {
    const std::vector<ScanReading> heard{{library, -40}, {key("0c8112aa0002"), -70}};
    const std::time_t at = 1796721300; // 2026-12-08T09:15:00Z
    struct Case {
        const char* what;
        std::vector<ScanReading> heard;
        std::wstring note;
        std::string scans;
    };
    const Case cases[] = {
        {"heard", heard, L"",
         "31\t3\tStudy room\t3\t2026-12-08T09:15:00Z\taaaaaaaaaaa1:-40\t0c8112aa0002:-70\r\n"},
        {"nothing heard",
         {},
         L"Nothing was heard when this wizard opened: no survey scan of the place is kept.",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("ap.txt", kAps);
        dir.write("scans.txt", "");
        db.changed = false;
        SetLocationWizard wizard(db, unknown, nullptr, c.heard);
        EXPECT_EQ(wizard.scanNote(), c.note);
        ASSERT_EQ(wizard.placeNext("Norway", "Vestland", "Bergen"), std::nullopt);
        wizard.areaNext("Campus");
        EXPECT_EQ(wizard.finish({"Library", "", "3", "Study room"}, at), std::nullopt);
        EXPECT_EQ(dir.read("scans.txt"), c.scans);
        // Finish again (nothing new to save) keeps no second scan.
        EXPECT_EQ(wizard.finish({"Library", "", "3", "Study room"}, at), std::nullopt);
        EXPECT_EQ(dir.read("scans.txt"), c.scans);
    }
}

// Finish asks whether the user is still at the place when what is heard now lies
// far from what was heard as the wizard opened.
TEST_F(SetLocationWizardTest, FinishAsksWhenWhatIsHeardHasChangedALot) {
    const BssidKey a = key("0c8112aa0002"), b = key("0c8112aa0003"), c = key("0c8112aa0004");
    const std::vector<ScanReading> opened{{a, -45}, {b, -60}, {c, -75}};
    const BuildingFields fields{"Bus stop", "", "", "Shelter"};
    const WizardMessage question{L"The access points heard now are not those heard when this "
                                 L"wizard opened. Are you still at Bus stop, Shelter?",
                                 L"Where am I?"};
    struct Case {
        const char* what;
        std::vector<ScanReading> opened, now;
        bool asks;
    };
    const Case cases[] = {
        {"standing still", opened, {{a, -48}, {b, -58}, {c, -79}}, false},
        {"a weak one gone", opened, {{a, -46}, {b, -61}}, false},
        {"another building", opened, {{key("0c8112aa0009"), -40}, {c, -85}}, true},
        {"nothing heard now", opened, {}, true},
        {"nothing heard as it opened: no scan to doubt", {}, {{a, -40}}, false},
    };
    for (const Case& k : cases) {
        SetLocationWizard wizard(db, unknown, nullptr, k.opened);
        EXPECT_EQ(wizard.stillHereQuestion(fields, k.now),
                  k.asks ? std::optional<WizardMessage>(question) : std::nullopt)
            << k.what;
    }
}

TEST_F(SetLocationWizardTest, TabsAndLineBreaksInAFieldBecomeSpaces) {
    SetLocationWizard wizard = placing();
    ASSERT_EQ(wizard.placeNext("Norway", "Vestland", "Os\tby\r\nsea"), std::nullopt);
    EXPECT_EQ(wizard.city()->name, "Os by  sea");
}

} // namespace
} // namespace nearbeam::test
