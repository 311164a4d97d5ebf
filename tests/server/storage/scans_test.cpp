// Survey scans and who uploaded what, on every storage.

#include "server/storage/backends.h"

namespace nearbeam::test {
namespace {

class ScanStorages : public StorageTest {
  protected:
    bool write(const std::function<bool(Transaction&)>& work) {
        std::string error;
        const bool ok = storage().write(work, error);
        EXPECT_EQ(error, "");
        return ok;
    }
    template <typename T> T read(const std::function<T(Transaction&)>& work) {
        T out{};
        std::string error;
        EXPECT_TRUE(storage().read([&](Transaction& r) { out = work(r); }, error)) << error;
        return out;
    }
    static StoredScan scan(uint32_t building, const char* time, const char* user,
                           const char* readings = "02a0c0000025:-91") {
        return StoredScan{building, "2", "Hall", time, user, readings};
    }
    // The times of the scans, in the order given.
    static std::vector<std::string> times(const std::vector<StoredScan>& scans) {
        std::vector<std::string> out;
        for (const StoredScan& s : scans)
            out.push_back(s.time);
        return out;
    }
};
NEARBEAM_ON_EVERY_STORAGE(ScanStorages);

// A building's scans come newest first (of two at the same time, the later
// stored), at most as many as asked for; every scan in the order stored.
TEST_P(ScanStorages, ABuildingsScansComeNewestFirst) {
    const std::vector<StoredScan> stored = {
        scan(7, "2026-12-08T09:00:00Z", "ann", "02a0c0000025:-91\t001aff09b07c:0"),
        scan(7, "2026-12-08T11:00:00Z", "bob"),
        scan(8, "2026-12-08T12:00:00Z", "ann"),
        scan(7, "2026-12-08T10:00:00Z", ""),
        scan(7, "2026-12-08T11:00:00Z", "ann", "001aff09b07c:-120"),
    };
    ASSERT_TRUE(write([&](Transaction& r) {
        for (const StoredScan& s : stored)
            r.putScan(s);
        return true;
    }));
    using Scans = std::vector<StoredScan>;
    const Scans all = read<Scans>([](Transaction& r) { return r.scansOf(7, 10); });
    EXPECT_EQ(all, (Scans{stored[4], stored[1], stored[3], stored[0]}));
    EXPECT_EQ(times(read<Scans>([](Transaction& r) { return r.scansOf(7, 2); })),
              (std::vector<std::string>{"2026-12-08T11:00:00Z", "2026-12-08T11:00:00Z"}));
    EXPECT_TRUE(read<Scans>([](Transaction& r) { return r.scansOf(9, 10); }).empty());
    EXPECT_EQ(read<Scans>([](Transaction& r) {
                  Scans every;
                  r.forEachScan([&](const StoredScan& s) { every.push_back(s); });
                  return every;
              }),
              stored);
}

// A purge takes the user's scans and the access points they stored last, then the
// places they made that nothing refers to any more; what others uploaded or
// refer to stays.
TEST_P(ScanStorages, APurgeRemovesWhatTheUserUploadedAndNothingElse) {
    ASSERT_TRUE(write([&](Transaction& r) {
        r.put(StoredKind::Country, {1, 0, 0, 0, "Norway", "", ""}); // imported
        r.put(StoredKind::Province, {2, 1, 0, 0, "Vestland", "", ""});
        r.put(StoredKind::City, {3, 2, 0, 0, "Bergen", "", ""});
        r.put(StoredKind::Area, {4, 3, 0, 0, "Campus", "", ""});
        r.put(StoredKind::Building, {5, 3, 4, 0, "Vandal hall", "", ""}); // only ann's
        r.put(StoredKind::Building, {6, 3, 0, 0, "Shared hall", "", ""}); // bob's AP in it
        r.put(StoredKind::Building, {9, 3, 0, 0, "Served hall", "", ""}); // a service in it
        r.put(StoredKind::Service, {1, 9, 0, 6, "Guide", "", "http://guide/"});
        for (uint32_t id : {2u, 3u, 4u})
            r.noteUploadedPlace(id == 2   ? StoredKind::Province
                                : id == 3 ? StoredKind::City
                                          : StoredKind::Area,
                                id, "ann");
        for (uint32_t id : {5u, 6u, 9u})
            r.noteUploadedPlace(StoredKind::Building, id, "ann");
        r.putAccessPoint({0x01, 5, 0, "1", "Door"});
        r.noteUploadedAccessPoint(0x01, "ann");
        r.putAccessPoint({0x02, 6, 0, "1", "Desk"});
        r.noteUploadedAccessPoint(0x02, "ann");
        r.noteUploadedAccessPoint(0x02, "bob"); // bob stored it last
        r.putAccessPoint({0x03, 6, 0, "1", "Stair"});
        r.noteUploadedAccessPoint(0x03, "ann");
        r.putScan(scan(5, "2026-12-08T09:00:00Z", "ann"));
        r.putScan(scan(5, "2026-12-08T09:01:00Z", "ann"));
        r.putScan(scan(6, "2026-12-08T09:02:00Z", "bob"));
        return true;
    }));
    PurgeCounts removed;
    ASSERT_TRUE(write([&](Transaction& r) { return r.purgeUploads("ann", removed); }));
    EXPECT_EQ(removed.scans, 2u);
    EXPECT_EQ(removed.accessPoints, 2u);
    EXPECT_EQ(removed.places, 2u); // the vandal's hall, then its area
    read<bool>([](Transaction& r) {
        EXPECT_FALSE(r.find(StoredKind::Building, 5));
        EXPECT_FALSE(r.find(StoredKind::Area, 4));
        EXPECT_TRUE(r.find(StoredKind::Building, 6));
        EXPECT_TRUE(r.find(StoredKind::Building, 9));
        EXPECT_TRUE(r.find(StoredKind::City, 3));
        EXPECT_TRUE(r.find(StoredKind::Province, 2));
        EXPECT_TRUE(r.find(StoredKind::Country, 1));
        EXPECT_FALSE(r.findAccessPoint(0x01));
        EXPECT_TRUE(r.findAccessPoint(0x02));
        EXPECT_FALSE(r.findAccessPoint(0x03));
        EXPECT_EQ(r.scansOf(5, 10).size(), 0u);
        EXPECT_EQ(r.scansOf(6, 10).size(), 1u);
        return true;
    });
    // Nothing is left under ann's name: a second purge finds nothing.
    ASSERT_TRUE(write([&](Transaction& r) { return r.purgeUploads("ann", removed); }));
    EXPECT_EQ(removed.scans + removed.accessPoints + removed.places, 0u);
}

} // namespace
} // namespace nearbeam::test
