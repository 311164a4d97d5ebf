// The web agent's thread appends reply lines and purges while the user-interface
// thread looks up: the reader never sees a half-written line or a missing file.

#include "database_fixture.h"

#include "records/data_file.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace nearbeam::test {
namespace {

using DatabaseConcurrency = LocationDatabaseFixture;

BssidKey keyOf(int i) {
    char digits[13];
    std::snprintf(digits, sizeof digits, "%012x", i);
    return *BssidKey::fromText(digits);
}

TEST_F(DatabaseConcurrency, AppendsAndPurgesNeverShowAHalfWrittenFile) {
    // A fixed set of server lines that every purge keeps.
    const int kKept = 400;
    for (int i = 0; i < kKept; ++i)
        db.locations().appendServerLine(keyOf(i).str() + "\t0\t0\t1\tKept " + std::to_string(i));

    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread agent([&] {
        for (int round = 0; round < 60; ++round) {
            for (int i = 0; i < 20; ++i) {
                int n = 100000 + round * 20 + i;
                db.locations().appendServerLine(keyOf(n).str() + "\t0\t0\t2\tNew");
            }
            // Local lines that the purge drops.
            auto* r = db.locations().findOrCreate(keyOf(500000 + round));
            r->location = "Local";
            db.locations().saveLocation(*r);
            db.purgeAfterUpload();
        }
        done = true;
    });

    int lookups = 0;
    while (!done || lookups < 50) {
        // A kept key is found whole, with its status; the first time for each key
        // it is read from the file.
        int i = lookups % kKept;
        LocationRecord* found = nullptr;
        if (db.lookUpLocation(keyOf(i), &found) != lookup_status::Found || !found ||
            found->location != "Kept " + std::to_string(i) || found->status != 0)
            ++bad;
        // A key nobody has: both files' indexes follow the appends and purges.
        if (db.lookUpLocation(keyOf(900000 + lookups), &found) != lookup_status::Idle)
            ++bad;
        // Every line whole: twelve digits, five tabs, a line break at the end.
        std::lock_guard<std::recursive_mutex> guard(db.lock());
        datafile::forEachPartOfFile(db.locations().path(), [&](std::string_view part) {
            if (part.size() < 14 || part.back() != '\n' ||
                std::count(part.begin(), part.end(), '\t') != 5)
                ++bad;
            return false;
        });
        ++lookups;
    }
    agent.join();
    EXPECT_EQ(bad, 0);
    EXPECT_GT(lookups, 0);
}

} // namespace
} // namespace nearbeam::test
