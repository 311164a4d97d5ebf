// The rules every storage keeps, run against each of them.

#include "net/md5.h"
#include "server/accounts/accounts.h"
#include "server/location_service.h"
#include "server/storage/backends.h"

#include <set>
#include <thread>

namespace nearbeam::test {
namespace {

class Storages : public StorageTest {
  protected:
    bool write(const std::function<bool(Transaction&)>& work) {
        std::string error;
        const bool ok = storage().write(work, error);
        EXPECT_EQ(error, "");
        return ok;
    }
    void read(const std::function<void(Transaction&)>& work) {
        std::string error;
        EXPECT_TRUE(storage().read(work, error)) << error;
    }
    // Every place of every kind, as the storage lists them.
    std::vector<std::pair<StoredKind, StoredRecord>> everything() {
        std::vector<std::pair<StoredKind, StoredRecord>> all;
        read([&](Transaction& r) {
            for (StoredKind kind : kStoredKinds)
                r.forEach(kind, [&](const StoredRecord& p) { all.emplace_back(kind, p); });
        });
        return all;
    }
};
NEARBEAM_ON_EVERY_STORAGE(Storages);

// Texts are 8-bit bytes, kept as they are; a record put again under its
// identifier replaces the one before; lists come by identifier and address.
TEST_P(Storages, RecordsComeBackAsStoredByIdentifier) {
    const std::vector<std::pair<StoredKind, StoredRecord>> places = {
        {StoredKind::Country, {7, 0, 0, 0, "Norge \xe6\xf8\xe5", "", ""}},
        {StoredKind::Country, {2147483647, 0, 0, 0, "\xff", "", ""}},
        {StoredKind::Province, {12, 7, 0, 0, "Vestland", "", ""}},
        {StoredKind::City, {20, 12, 0, 0, "Bergen", "", ""}},
        {StoredKind::Area, {25, 20, 0, 0, "Centre", "", ""}},
        {StoredKind::Building, {31, 20, 25, 0, "Caf\xe9", "Quay 1", ""}},
        {StoredKind::Network, {3, 0, 0, 0, "City net", "", ""}},
        {StoredKind::Service, {5, 20, 0, 4, "Guide", "", "http://guide/{bssid}"}},
    };
    ASSERT_TRUE(write([&](Transaction& r) {
        for (auto it = places.rbegin(); it != places.rend(); ++it) // last first
            r.put(it->first, it->second);
        r.put(StoredKind::City, {20, 12, 0, 0, "Old name", "", ""});
        r.put(StoredKind::City, {20, 12, 0, 0, "Bergen", "", ""}); // replaces
        r.putAccessPoint({0xffffffffffff, 31, 3, "2", "Hall"});
        r.putAccessPoint({0x001122334455, 31, 0, "", "Desk"});
        r.putAccessPoint({0x001122334455, 31, 3, "1", "Desk \xe9"});
        return true;
    }));
    EXPECT_EQ(everything(), places);
    std::vector<AccessPoint> points;
    read([&](Transaction& r) {
        r.forEachAccessPoint([&](const AccessPoint& a) { points.push_back(a); });
        EXPECT_EQ(r.find(StoredKind::Building, 31), places[5].second);
        EXPECT_FALSE(r.find(StoredKind::Building, 32));
        EXPECT_FALSE(r.find(StoredKind::Country, 31)); // each kind has its own identifiers
        EXPECT_EQ(r.findAccessPoint(0xffffffffffff),
                  (AccessPoint{0xffffffffffff, 31, 3, "2", "Hall"}));
        EXPECT_FALSE(r.findAccessPoint(0x001122334456));
    });
    EXPECT_EQ(points, (std::vector<AccessPoint>{{0x001122334455, 31, 3, "1", "Desk \xe9"},
                                                {0xffffffffffff, 31, 3, "2", "Hall"}}));
}

// A place is known by its name under its parent; a building also by its area.
TEST_P(Storages, NamedLookupsMatchNameParentAndArea) {
    ASSERT_TRUE(write([](Transaction& r) {
        r.put(StoredKind::Country, {7, 0, 0, 0, "Norway", "", ""});
        r.put(StoredKind::City, {20, 12, 0, 0, "Bergen", "", ""});
        r.put(StoredKind::City, {21, 13, 0, 0, "Bergen", "", ""});
        r.put(StoredKind::Building, {31, 20, 0, 0, "Library", "", ""});
        r.put(StoredKind::Building, {32, 20, 25, 0, "Library", "", ""});
        r.put(StoredKind::Building, {33, 20, 25, 0, "Library", "Other", ""});
        return true;
    }));
    struct Case {
        StoredKind kind;
        uint32_t parent, area;
        const char* name;
        uint32_t found; // 0: none
    };
    const Case cases[] = {
        {StoredKind::Country, 0, 0, "Norway", 7},     {StoredKind::Country, 0, 0, "norway", 0},
        {StoredKind::City, 13, 0, "Bergen", 21},      {StoredKind::City, 14, 0, "Bergen", 0},
        {StoredKind::Building, 20, 0, "Library", 31}, {StoredKind::Building, 20, 25, "Library", 32},
        {StoredKind::Building, 20, 26, "Library", 0}, {StoredKind::Building, 21, 0, "Library", 0},
        {StoredKind::Province, 0, 0, "Norway", 0},
    };
    read([&](Transaction& r) {
        for (const Case& c : cases) {
            auto found = r.findNamed(c.kind, c.parent, c.area, c.name);
            EXPECT_EQ(found ? found->id : 0, c.found) << c.name << " " << c.parent << " " << c.area;
        }
    });
}

// A place's services: those offered everywhere, and those attached to the place
// at each of its levels, by identifier.
TEST_P(Storages, ServicesAreThoseOfThePlacesLevelsAndEverywhere) {
    ASSERT_TRUE(write([](Transaction& r) {
        const std::pair<uint32_t, int32_t> attached[] = {
            {0, 0},  {99, 0}, {3, 1}, {7, 2},  {12, 3}, {20, 4}, {25, 5},
            {31, 6}, {20, 6}, {0, 5}, {21, 4}, {3, 7},  {31, -1}};
        uint32_t id = 100;
        for (auto [scope, level] : attached)
            r.put(StoredKind::Service, {id--, scope, 0, level, "s", "", "u"});
        return true;
    }));
    std::vector<uint32_t> ids;
    read([&](Transaction& r) {
        // In network 3, building 31 in area 25 of city 20 … country 7; no area given.
        for (const StoredRecord& s : r.servicesFor({0, 3, 7, 12, 20, 0, 31}))
            ids.push_back(s.id);
    });
    EXPECT_EQ(ids, (std::vector<uint32_t>{93, 95, 96, 97, 98, 99, 100}));
}

// New identifiers follow the highest the kind has, and concurrent writers never
// get the same one.
TEST_P(Storages, NewIdentifiersAreNeverHandedOutTwice) {
    ASSERT_TRUE(write([](Transaction& r) {
        r.put(StoredKind::Building, {41, 20, 0, 0, "Library", "", ""});
        r.put(StoredKind::Building, {4294967295u, 20, 0, 0, "A local one", "", ""});
        return true;
    }));
    std::vector<uint32_t> ids(8 * 5);
    std::vector<std::thread> writers;
    for (size_t t = 0; t < 8; ++t)
        writers.emplace_back([&, t] {
            for (size_t i = 0; i < 5; ++i)
                write([&](Transaction& r) {
                    uint32_t id = r.newId(StoredKind::Building);
                    ids[t * 5 + i] = id;
                    return r.put(StoredKind::Building, {id, 20, 0, 0, "New", "", ""});
                });
        });
    for (std::thread& w : writers)
        w.join();
    EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(*std::min_element(ids.begin(), ids.end()), 42u);
    EXPECT_EQ(*std::max_element(ids.begin(), ids.end()), 81u);
}

// A write whose work says no leaves nothing behind; committed writes stay,
// also for the next process that opens the storage.
TEST_P(Storages, AWriteIsAllOrNothingAndStays) {
    EXPECT_FALSE(write([](Transaction& r) {
        r.put(StoredKind::Country, {1, 0, 0, 0, "Gone", "", ""});
        r.putAccessPoint({1, 1, 0, "", ""});
        r.putUser("gone", "hash");
        return false;
    }));
    ASSERT_TRUE(write([](Transaction& r) {
        return r.put(StoredKind::Country, {2, 0, 0, 0, "Kept", "", ""});
    }));
    if (GetParam() != Backend::Memory) {
        store.close();
        ASSERT_NE(store.get(), nullptr) << store.error();
    }
    EXPECT_EQ(everything(), (std::vector<std::pair<StoredKind, StoredRecord>>{
                                {StoredKind::Country, {2, 0, 0, 0, "Kept", "", ""}}}));
    read([](Transaction& r) {
        EXPECT_FALSE(r.findAccessPoint(1));
        EXPECT_TRUE(r.users().empty());
    });
}

// Many users uploading at once: every upload is answered after it is stored,
// and every one is there.
TEST_P(Storages, ConcurrentUploadsAllLand) {
    std::string error;
    ASSERT_TRUE(write([](Transaction& r) {
        return r.put(StoredKind::City, {20, 0, 0, 0, "Bergen", "", ""});
    }));
    ASSERT_TRUE(addUser(storage(), "ann", "secret", error)) << error;
    LocationService service(storage());
    constexpr int kThreads = 8, kEach = 10;
    std::vector<std::string> replies(kThreads * kEach);
    std::vector<std::thread> clients;
    for (int t = 0; t < kThreads; ++t)
        clients.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const std::string n = std::to_string(t * kEach + i);
                char bssid[13];
                std::snprintf(bssid, sizeof bssid, "0000000000%02x", t * kEach + i);
                replies[t * kEach + i] =
                    service
                        .upload("- login\nann\n" + loginToken("secret") +
                                "\n- buildings\n4294967295\t0\t20\tHouse " + n + "\t\t3\n- aps\n" +
                                bssid + "\t4294967295\t0\t\tRoom " + n + "\t3\n- end\n")
                        .text;
            }
        });
    for (std::thread& c : clients)
        c.join();
    for (int i = 0; i < kThreads * kEach; ++i) {
        ASSERT_EQ(replies[i].rfind("- nearbeam ok\n- buildings\n", 0), 0u) << replies[i];
        const std::string building = replies[i].substr(26, replies[i].find('\t', 26) - 26);
        char bssid[13];
        std::snprintf(bssid, sizeof bssid, "0000000000%02x", i);
        EXPECT_NE(service.downloadText(bssid).find(std::string("- aps\n") + bssid + "\t" +
                                                   building + "\t0\t\tRoom " + std::to_string(i) +
                                                   "\n"),
                  std::string::npos)
            << replies[i];
    }
}

} // namespace
} // namespace nearbeam::test
