// The upload history on every storage: what withdrawing, restoring, blocking and
// purging serve afterwards, and that an export and an import keep it.

#include "server/storage/history.h"

#include "net/md5.h"
#include "net/server_records.h"
#include "server/accounts/accounts.h"
#include "server/location_service.h"
#include "server/storage/backends.h"

#include <map>

namespace nearbeam::test {
namespace {

constexpr std::time_t kNow = 1796731200; // 2026-12-08T12:00:00Z

// ann makes a building with an access point in it, moves the server's access
// point and adds a scan; then bob moves that access point again.
const char kAnnsUpload[] = "- buildings\n4294967293\t0\t20\tHarbour\tQuay 2\t3\n"
                           "- aps\naabbccddeeff\t4294967293\t0\t0\tHall\t3\n"
                           "001122334455\t31\t3\t1\tDesk\t6\n"
                           "- scans\n31\t1\tDesk\t2026-12-08T09:00:00Z\t001122334455:-40\n";
const char kBobsUpload[] = "- aps\n001122334455\t31\t3\t3\tAttic\t6\n";

class History : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        load(storage());
    }
    static void load(Storage& storage) {
        TempDir dir;
        writeServerRecords(dir);
        std::string error;
        ASSERT_TRUE(importFolder(storage, dir.folder(), error)) << error;
        ASSERT_TRUE(addUser(storage, "ann", "a", error)) << error;
        ASSERT_TRUE(addUser(storage, "bob", "b", error)) << error;
        LocationService service(storage, [] { return kNow; });
        ASSERT_TRUE(service.upload("- login\nann\n" + loginToken("a") + "\n" + kAnnsUpload).stored);
        ASSERT_TRUE(service.upload("- login\nbob\n" + loginToken("b") + "\n" + kBobsUpload).stored);
    }
    // What the map serves of the records the uploads touched: the server's access
    // point's floor and location, ann's access point and building, the scans.
    static std::string served(Storage& storage) {
        std::string out, error;
        EXPECT_TRUE(storage.read(
            [&](Transaction& r) {
                const auto moved = r.findAccessPoint(0x001122334455);
                out = moved ? moved->floor + "/" + moved->location : "-";
                out += r.findAccessPoint(0xaabbccddeeff) ? " hall" : " -";
                out += r.findNamed(StoredKind::Building, 20, 0, "Harbour") ? " harbour" : " -";
                out += " scans:" + std::to_string(r.scansOf(31, 10).size());
            },
            error))
            << error;
        return out;
    }
    HistoryChange change(const std::string& action, const std::string& subject) {
        HistoryChange result = HistoryChange::StorageFailed;
        std::string error;
        storage().write(
            [&](Transaction& r) {
                HistoryCounts counts;
                const uint64_t id = std::strtoull(subject.c_str(), nullptr, 10);
                result = action == "withdraw"  ? withdrawUpload(r, id, counts)
                         : action == "restore" ? restoreUpload(r, id, counts)
                                               : blockUser(r, subject, action == "block", counts);
                return result == HistoryChange::Done;
            },
            error);
        EXPECT_EQ(error, "");
        return result;
    }
};
NEARBEAM_ON_EVERY_STORAGE(History);

// A record serves the newest version of an upload that is not withdrawn and
// whose user is not blocked; a place an upload made goes when nothing serves it.
TEST_P(History, WithdrawRestoreAndBlockServeTheNewestStandingVersion) {
    struct Step {
        const char* action;
        const char* subject;
        HistoryChange result;
        const char* served;
    };
    using C = HistoryChange;
    const Step steps[] = {
        {"withdraw", "1", C::Done, "3/Attic - - scans:0"},
        {"withdraw", "1", C::AlreadyWithdrawn, "3/Attic - - scans:0"},
        {"withdraw", "2", C::Done, "2/Reading room - - scans:0"},
        {"restore", "1", C::Done, "1/Desk hall harbour scans:1"},
        {"block", "bob", C::Done, "1/Desk hall harbour scans:1"},
        {"restore", "2", C::Done, "1/Desk hall harbour scans:1"}, // bob is blocked
        {"unblock", "bob", C::Done, "3/Attic hall harbour scans:1"},
        {"restore", "2", C::NotWithdrawn, "3/Attic hall harbour scans:1"},
        {"block", "ann", C::Done, "3/Attic - - scans:0"},
        {"withdraw", "2", C::Done, "2/Reading room - - scans:0"},
        {"unblock", "ann", C::Done, "1/Desk hall harbour scans:1"},
        {"withdraw", "3", C::NoSuchUpload, "1/Desk hall harbour scans:1"},
        {"block", "cid", C::NoSuchUser, "1/Desk hall harbour scans:1"},
        {"unblock", "bob", C::NotBlocked, "1/Desk hall harbour scans:1"},
    };
    ASSERT_EQ(served(storage()), "3/Attic hall harbour scans:1");
    for (const Step& step : steps) {
        EXPECT_EQ(change(step.action, step.subject), step.result)
            << step.action << " " << step.subject;
        EXPECT_EQ(served(storage()), step.served) << step.action << " " << step.subject;
    }
    std::vector<UploadEntry> uploads;
    std::string error;
    ASSERT_TRUE(storage().read([&](Transaction& r) { uploads = r.uploads(0, 10); }, error));
    EXPECT_EQ(uploads, (std::vector<UploadEntry>{{2, "bob", "2026-12-08T12:00:00Z", 1, 0, true},
                                                 {1, "ann", "2026-12-08T12:00:00Z", 3, 1, false}}));
}

// The history goes with an export into another kind of storage, where a purge
// withdraws the user's uploads: what they replaced comes back.
TEST_P(History, APurgeAfterExportAndImportBringsBackWhatWasReplaced) {
    const Backend next = GetParam() == Backend::Memory   ? Backend::Sqlite
                         : GetParam() == Backend::Sqlite ? Backend::Postgres
                                                         : Backend::Memory;
    ASSERT_EQ(change("block", "bob"), HistoryChange::Done);
    TempDir folder;
    std::string error;
    ASSERT_TRUE(exportFolder(storage(), folder.folder(), error)) << error;
    TestStorage moved(next);
    ASSERT_NE(moved.get(), nullptr) << moved.error();
    ASSERT_TRUE(importFolder(*moved.get(), folder.folder(), error)) << error;
    EXPECT_EQ(served(*moved.get()), "1/Desk hall harbour scans:1");
    // Exported again, the files are the same.
    TempDir again;
    ASSERT_TRUE(exportFolder(*moved.get(), again.folder(), error)) << error;
    for (const char* file : {"ap.txt", "building.txt", "scans.txt", "history.txt", "users.txt"})
        EXPECT_EQ(again.read(file), folder.read(file)) << file;

    PurgeCounts purged;
    ASSERT_TRUE(removeUser(*moved.get(), "ann", error, &purged)) << error;
    EXPECT_EQ(purged.uploads, 1u);
    EXPECT_EQ(purged.scans, 1u);
    EXPECT_EQ(served(*moved.get()), "2/Reading room - - scans:0");
    ASSERT_TRUE(moved.get()->read(
        [&](Transaction& r) {
            const auto uploads = r.uploads(0, 10);
            ASSERT_EQ(uploads.size(), 2u);
            EXPECT_TRUE(uploads[1].withdrawn);
            EXPECT_EQ(uploads[1].user, "ann");
            EXPECT_FALSE(r.tokenHash("ann"));
        },
        error));
    // bob, unblocked, serves his version over the one before ann's.
    HistoryCounts counts;
    ASSERT_TRUE(moved.get()->write(
        [&](Transaction& r) { return blockUser(r, "bob", false, counts) == HistoryChange::Done; },
        error));
    EXPECT_EQ(served(*moved.get()), "3/Attic - - scans:0");
}

// A history.txt that cannot be read, or that names an upload it does not list,
// refuses the whole import, naming the line.
TEST_P(History, ABadHistoryFileRefusesTheImport) {
    const struct {
        const char* history;
        const char* error;
    } cases[] = {
        {"upload\t1\tann\r\n", "history.txt line 1: the line cannot be read"},
        {"upload\t1\tann\tT\t1\t0\t0\r\nwhat\t1\r\n",
         "history.txt line 2: the line cannot be read"},
        {"version\t5\t7\t1\t31\t0\t1\tHall\r\n",
         "history.txt names upload 5, which it does not list"},
        {"scan\t5\t1\r\n", "scans.txt line 1: history.txt names an upload it does not list"},
        {"flag\tann\tking\r\n", "history.txt line 1: the line cannot be read"},
        {"upload\t1\tann\tT\t1\t0\t0\r\nupload\t1\tbob\tT\t1\t0\t0\r\n",
         "history.txt lists an upload twice"},
    };
    for (const auto& c : cases) {
        TestStorage fresh(GetParam());
        ASSERT_NE(fresh.get(), nullptr) << fresh.error();
        TempDir folder;
        writeServerRecords(folder);
        folder.write("scans.txt", "31\t2\tHall\t0\t2026-12-08T09:00:00Z\t001122334455:-50\r\n");
        folder.write("history.txt", c.history);
        std::string error;
        EXPECT_FALSE(importFolder(*fresh.get(), folder.folder(), error)) << c.history;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(storedFile(*fresh.get(), "country.txt"), "") << c.history;
        EXPECT_EQ(storedFile(*fresh.get(), "history.txt"), "") << c.history;
    }
}

} // namespace
} // namespace nearbeam::test
