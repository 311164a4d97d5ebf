// The database object: identifiers, flags, the lookup, clearing and purging.

#include "database_fixture.h"

#include "base/settings_keys.h"

#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

// Stands in for the location download: records the keys it is handed.
class FakeDownload : public DownloadService {
  public:
    bool requestDownload(const BssidKey& key) override {
        requested.push_back(key.str());
        if (current != lookup_status::Idle)
            return false;
        current = lookup_status::Queued;
        return true;
    }
    int32_t state() const override { return current; }

    std::vector<std::string> requested;
    int32_t current = lookup_status::Idle;
};

using DatabaseObject = LocationDatabaseFixture;

TEST_F(DatabaseObject, LocalIdentifiersCountDownAndSurviveARestart) {
    EXPECT_EQ(db.allocateLocalId(), 4294967295u);
    EXPECT_EQ(static_cast<uint32_t>(settings::read(settings, settings::NextLocalID)), 4294967294u);
    db.allocateLocalId();
    db.allocateLocalId();
    EXPECT_EQ(static_cast<uint32_t>(settings::read(settings, settings::NextLocalID)), 4294967292u);
    LocationDatabase restarted{settings};
    EXPECT_EQ(restarted.allocateLocalId(), 4294967292u);
    // Clearing the cache does not reset the counter.
    restarted.clearCache();
    EXPECT_EQ(restarted.allocateLocalId(), 4294967291u);
}

TEST_F(DatabaseObject, UploadNeededMirrorsTheSetting) {
    EXPECT_FALSE(db.uploadNeeded);
    db.setUploadNeeded(true);
    EXPECT_TRUE(db.uploadNeeded);
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 1);
    LocationDatabase restarted{settings};
    EXPECT_TRUE(restarted.uploadNeeded);
    restarted.setUploadNeeded(false);
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);
    EXPECT_FALSE(restarted.changed);
}

TEST_F(DatabaseObject, LookupAnswersFromApThenAskedListThenDownload) {
    FakeDownload download;
    db.setDownloadService(&download);
    dir.write("ap.txt", "001122334455\t0\t0\t1\tHall\t0\r\n");
    dir.write("apchecked.txt", "aabbccddeeff\r\n");

    LocationRecord* record = nullptr;
    EXPECT_EQ(db.lookUpLocation(key("001122334455"), &record), lookup_status::Found);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->location, "Hall");
    dir.write("ap.txt", ""); // a hit is served from the cache
    LocationRecord* again = nullptr;
    EXPECT_EQ(db.lookUpLocation(key("001122334455"), &again), lookup_status::Found);
    EXPECT_EQ(again, record);

    EXPECT_EQ(db.lookUpLocation(key("aabbccddeeff"), &record), lookup_status::NotPlaced);
    EXPECT_EQ(record, nullptr);
    EXPECT_TRUE(download.requested.empty());

    EXPECT_EQ(db.lookUpLocation(key("0a0b0c0d0e0f"), &record), lookup_status::Queued);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(download.requested, std::vector<std::string>{"0a0b0c0d0e0f"});

    // The reply arrives: lines appended, key asked; the next lookup finds it.
    db.locations().appendServerLine("0a0b0c0d0e0f\t0\t0\t2\tLab");
    db.asked().add(key("0a0b0c0d0e0f"));
    download.current = lookup_status::Idle;
    EXPECT_EQ(db.lookUpLocation(key("0a0b0c0d0e0f"), &record), lookup_status::Found);
    EXPECT_EQ(record->location, "Lab");
    EXPECT_EQ(download.requested.size(), 1u);
}

TEST_F(DatabaseObject, LookupWithoutADownloadIsIdle) {
    LocationRecord* record = nullptr;
    EXPECT_EQ(db.lookUpLocation(key("0a0b0c0d0e0f"), &record), lookup_status::Idle);
    EXPECT_EQ(record, nullptr);
}

TEST_F(DatabaseObject, ClearCacheDeletesEveryFileButSubscriptions) {
    const char* files[] = {"network.txt", "country.txt",   "province.txt",
                           "city.txt",    "area.txt",      "building.txt",
                           "ap.txt",      "apchecked.txt", "services.txt"};
    for (const char* f : files)
        dir.write(f, "1\tx\t0\r\n");
    dir.write("ap.txt", "001122334455\t0\t0\t1\tHall\t0\r\n");
    dir.write("subscriptions.txt", "0\t0\thttp://x/\t-\r\n");
    FakeDownload download;
    db.setDownloadService(&download);
    LocationRecord* record = nullptr;
    ASSERT_EQ(db.lookUpLocation(key("001122334455"), &record), lookup_status::Found);

    db.clearCache();
    for (const char* f : files)
        EXPECT_FALSE(dir.exists(f)) << f;
    EXPECT_TRUE(dir.exists("subscriptions.txt"));
    EXPECT_EQ(db.subscriptionsPath(), dir.folder() + "subscriptions.txt");
    EXPECT_TRUE(db.changed);
    EXPECT_EQ(db.locations().cachedCount(), 0u);
    EXPECT_EQ(db.lookUpLocation(key("001122334455"), &record), lookup_status::Queued);
}

TEST_F(DatabaseObject, PurgeAfterUploadLeavesNetworksServicesAndCachesAlone) {
    const char* purged[] = {"country.txt", "province.txt", "city.txt",
                            "area.txt",    "building.txt", "ap.txt"};
    for (const char* f : purged)
        dir.write(f, "1\tserver\t0\r\n2\tlocal\t3\r\n");
    dir.write("network.txt", "2\tlocal\t3\r\n");
    dir.write("services.txt", "2\tlocal\t3\r\n");
    auto* country = db.countries().findById(2);
    ASSERT_NE(country, nullptr);

    db.purgeAfterUpload();
    for (const char* f : purged) {
        EXPECT_EQ(dir.read(f), "1\tserver\t0\r\n") << f;
        EXPECT_EQ(dir.read(std::string(f) + ".bak"), "1\tserver\t0\r\n2\tlocal\t3\r\n") << f;
    }
    EXPECT_EQ(dir.read("network.txt"), "2\tlocal\t3\r\n");
    EXPECT_EQ(dir.read("services.txt"), "2\tlocal\t3\r\n");
    EXPECT_EQ(db.countries().findById(2), country);
    EXPECT_EQ(country->status, record_status::Local);
}

TEST_F(DatabaseObject, PurgedLocalLocationIsRewrittenWithStatusThreeWhenChangedAgain) {
    auto* record = db.locations().findOrCreate(key("0a0b0c0d0e0f"));
    record->location = "Lab";
    ASSERT_TRUE(db.locations().saveLocation(*record));
    db.locations().appendServerLine("001122334455\t0\t0\t1\tHall");
    db.purgeAfterUpload();
    EXPECT_EQ(dir.read("ap.txt"), "001122334455\t0\t0\t1\tHall\t0\r\n");
    EXPECT_EQ(record->status, record_status::Local);
    record->markEdited();
    EXPECT_EQ(record->status, record_status::LocalChanged);
    ASSERT_TRUE(db.locations().saveLocation(*record));
    EXPECT_EQ(dir.read("ap.txt"),
              "001122334455\t0\t0\t1\tHall\t0\r\n0a0b0c0d0e0f\t0\t0\t\tLab\t3\r\n");
}

TEST_F(DatabaseObject, SectionsMapToTheirTables) {
    const char* headings[] = {"- services", "- networks", "- countries", "- provinces",
                              "- cities",   "- areas",    "- buildings", "- aps"};
    const TextTable* tables[] = {&db.services(), &db.networks(), &db.countries(), &db.provinces(),
                                 &db.cities(),   &db.areas(),    &db.buildings(), &db.locations()};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(LocationDatabase::sectionOfHeading(headings[i]), i + 1);
        EXPECT_EQ(db.tableForSection(i + 1), tables[i]);
    }
    EXPECT_EQ(LocationDatabase::sectionOfHeading("- end"), 0);
    EXPECT_EQ(db.tableForSection(0), nullptr);
    EXPECT_EQ(db.tableForSection(9), nullptr);
    EXPECT_EQ(db.locations().path(), dir.folder() + "ap.txt");
    EXPECT_EQ(db.asked().path(), dir.folder() + "apchecked.txt");
}

} // namespace
} // namespace nearbeam::test
