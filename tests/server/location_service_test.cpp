#include "server/location_service.h"

#include "net/md5.h"
#include "net/server_records.h"
#include "server/accounts/accounts.h"
#include "server/storage/backends.h"
#include "server/storage/folder_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace nearbeam::test {
namespace {

// The protocol over each storage, loaded with the same records.
class LocationServiceTest : public StorageTest {
  protected:
    void SetUp() override {
        StorageTest::SetUp();
        writeServerRecords(dir);
        std::string error;
        ASSERT_TRUE(importFolder(storage(), dir.folder(), error)) << error;
        ASSERT_TRUE(addUser(storage(), "ann", "secret", error)) << error;
        service = std::make_unique<LocationService>(storage());
    }
    std::string upload(const std::string& records) {
        return service->upload("- login\nann\n" + loginToken("secret") + "\n" + records).text;
    }
    std::string stored(const std::string& file) { return storedFile(storage(), file); }

    TempDir dir;
    std::unique_ptr<LocationService> service;
};
NEARBEAM_ON_EVERY_STORAGE(LocationServiceTest);

TEST_P(LocationServiceTest, DownloadSendsThePlaceAndItsServices) {
    EXPECT_EQ(service->downloadText("001122334455"),
              "- countries\n7\tNorway\n"
              "- provinces\n12\t7\tVestland\n"
              "- cities\n20\t12\tBergen\n"
              "- areas\n25\t20\tCentre\n"
              "- buildings\n31\t25\t20\tLibrary\tMain St 1\n"
              "- networks\n3\tCity net\n"
              "- aps\n001122334455\t31\t3\t2\tReading room\n"
              "- services\n1\t0\t0\thttp://everywhere/{bssid}\tEverywhere\n"
              "2\t20\t4\thttp://bergen/\tBergen guide\n"
              "- end\n");
    EXPECT_EQ(service->downloadText("ffffffffffff"), "- end\n");
    EXPECT_EQ(service->downloadText("00112233445"), ""); // not an address
    EXPECT_EQ(service->downloadText("0011223344zz"), "");
    EXPECT_EQ(service->downloadText("001122334455\t"), "");
}

TEST_P(LocationServiceTest, UploadStoresUnderServerIdentifiers) {
    // A new province, city and building in Norway, and two access points: one new,
    // one the server had in another place.
    const std::string reply = upload("- provinces\n4294967295\t7\tRogaland\t3\n"
                                     "- cities\n4294967294\t4294967295\tStavanger\t3\n"
                                     "- buildings\n4294967293\t0\t4294967294\tHarbour\tQuay 2\t3\n"
                                     "- aps\naabbccddeeff\t4294967293\t0\t1\tHall\t3\n"
                                     "001122334455\t4294967293\t3\t0\tDesk\t6\n"
                                     "- end\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- provinces\n13\t7\tRogaland\n"
                     "- cities\n21\t13\tStavanger\n"
                     "- buildings\n32\t0\t21\tHarbour\tQuay 2\n"
                     "- aps\naabbccddeeff\t32\t0\t1\tHall\n001122334455\t32\t3\t0\tDesk\n"
                     "- msg Thank you, ann: 5 records stored.\n"
                     "- end\n");
    EXPECT_EQ(stored("province.txt"), "12\t7\tVestland\t0\r\n13\t7\tRogaland\t0\r\n");
    EXPECT_EQ(stored("building.txt"),
              "31\t25\t20\tLibrary\tMain St 1\t0\r\n32\t0\t21\tHarbour\tQuay 2\t0\r\n");
    EXPECT_EQ(stored("ap.txt"),
              "001122334455\t32\t3\t0\tDesk\t0\r\naabbccddeeff\t32\t0\t1\tHall\t0\r\n");
    // What was stored is what the next download sends.
    EXPECT_NE(service->downloadText("aabbccddeeff").find("- cities\n21\t13\tStavanger\n"),
              std::string::npos);
}

TEST_P(LocationServiceTest, AnAccessPointNamedTwiceInOneUploadTakesTheLaterLine) {
    const std::string reply = upload("- aps\naabbccddeeff\t31\t0\t1\tHall\t3\n"
                                     "001122334455\t31\t0\t1\tDesk\t6\n"
                                     "aabbccddeeff\t31\t0\t2\tAttic\t3\n"
                                     "001122334455\t31\t0\t3\tRoof\t6\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- aps\naabbccddeeff\t31\t0\t2\tAttic\n001122334455\t31\t0\t3\tRoof\n"
                     "- msg Thank you, ann: 2 records stored.\n"
                     "- end\n");
    EXPECT_EQ(stored("ap.txt"),
              "001122334455\t31\t0\t3\tRoof\t0\r\naabbccddeeff\t31\t0\t2\tAttic\t0\r\n");
}

TEST_P(LocationServiceTest, UploadReusesPlacesTheServerHasAndKeepsChangedOnes) {
    const std::string reply = upload("- countries\n4294967295\tNorway\t3\n"
                                     "- provinces\n12\t7\tVestlandet\t6\n"
                                     "- cities\n4294967294\t12\tBergen\t3\n"
                                     "- end\n");
    EXPECT_EQ(reply, "- nearbeam ok\n"
                     "- countries\n7\tNorway\n"
                     "- provinces\n12\t7\tVestlandet\n"
                     "- cities\n20\t12\tBergen\n"
                     "- msg Thank you, ann: 1 record stored.\n"
                     "- end\n");
    EXPECT_EQ(stored("country.txt"), "7\tNorway\t0\r\n");
    EXPECT_EQ(stored("province.txt"), "12\t7\tVestlandet\t0\r\n");
    EXPECT_EQ(stored("city.txt"), "20\t12\tBergen\t0\r\n");
}

TEST_P(LocationServiceTest, RefusedUploadsStoreNothing) {
    struct Case {
        const char* name;
        std::string body;
    };
    const std::string login = "- login\nann\n" + loginToken("secret") + "\n";
    const Case cases[] = {
        {"wrong password", "- login\nann\n" + loginToken("guess") + "\n- end\n"},
        {"unknown user", "- login\nbob\n" + loginToken("secret") + "\n- end\n"},
        {"no login", "- countries\n4294967295\tSweden\t3\n- end\n"},
        {"empty", ""},
        {"line outside a section", login + "4294967295\tSweden\t3\n- end\n"},
        {"unknown parent", login + "- cities\n4294967290\t4294967000\tNowhere\t3\n- end\n"},
        {"unknown building", login + "- aps\naabbccddeeff\t4294967000\t0\t1\tHall\t3\n"},
        {"bad address", login + "- aps\naabbccddeeXX\t31\t0\t1\tHall\t3\n"},
        {"NUL in a name",
         login + "- countries\n4294967295\tSwe" + std::string(1, '\0') + "den\t3\n"},
        {"CR inside a location", login + "- aps\naabbccddeeff\t31\t0\t1\tHa\rll\t3\n"},
        {"control character in a street address",
         login + "- buildings\n4294967290\t0\t20\tStation\tQuay\x01\t3\n"},
        {"refusal after a good record",
         login + "- countries\n4294967295\tSweden\t3\n- cities\n4294967290\t999\tX\t3\n"},
    };
    for (const Case& c : cases) {
        std::string reply = service->upload(c.body).text;
        EXPECT_EQ(reply.rfind("- error ", 0), 0u) << c.name << ": " << reply;
        EXPECT_EQ(reply.substr(reply.size() - 6), "- end\n") << c.name;
        EXPECT_EQ(stored("country.txt"), "7\tNorway\t0\r\n") << c.name;
        EXPECT_EQ(stored("city.txt"), "20\t12\tBergen\t0\r\n") << c.name;
        EXPECT_EQ(stored("ap.txt"), "001122334455\t31\t3\t2\tReading room\t0\r\n") << c.name;
    }
}

// Transaction that a line cannot carry as they are (a tab inside a text makes fields
// of its own; a text too long would be cut where a line ends) are refused
// whole, naming the record and the reason, by an upload and by an import alike.
TEST_P(LocationServiceTest, RecordsALineCannotCarryAreRefused) {
    struct Case {
        const char* file;    // where an import finds the line
        const char* heading; // where an upload sends it
        std::string line;    // without its status
        std::string reason;
    };
    const std::string e2(158, 'x'); // with the cases' identifiers, 2 bytes over a line
    const std::string wide = [] {
        std::string text;
        for (int i = 0; i < 158; ++i)
            text += "\xc3\xa9"; // é, two bytes
        return text;
    }();
    const Case cases[] = {
        {"building.txt", "- buildings", "31\t25\t20\tTab\tbed\tQuay 1",
         "A record line has 7 fields; a building line has 5 and may end in a status"},
        {"country.txt", "- countries", "4294967295\tSwe\tden",
         "A record line has 4 fields; a country line has 2 and may end in a status"},
        {"ap.txt", "- aps", "aabbccddeeff\t31\t0\t1\tHa\tll",
         "A record line has 7 fields; an access point line has 5 and may end in a status"},
        {"building.txt", "- buildings", "31\t25\t20\t" + wide + "\tMain St 1",
         "A building name is longer than 314 bytes"},
        {"building.txt", "- buildings", "31\t25\t20\tLibrary\t" + e2 + e2,
         "A building's street address is longer than 307 bytes"},
        {"country.txt", "- countries", "7\t" + e2 + e2 + "xxxxxxxx",
         "A country name is longer than 322 bytes"},
        {"ap.txt", "- aps", "001122334455\t31\t3\t2\t" + e2 + e2,
         "An access point's location is longer than 304 bytes"},
    };
    // A good record before the bad one: nothing of the upload or import stays.
    const std::string good[] = {"- countries\n8\tSweden", "- buildings\n33\t0\t20\tStation\t",
                                "- aps\naabbccddeeff\t31\t0\t1\tHall"};
    const std::string before[] = {stored("country.txt"), stored("building.txt"), stored("ap.txt")};
    auto unchanged = [&](const char* name) {
        EXPECT_EQ(stored("country.txt"), before[0]) << name;
        EXPECT_EQ(stored("building.txt"), before[1]) << name;
        EXPECT_EQ(stored("ap.txt"), before[2]) << name;
    };
    for (const Case& c : cases) {
        const std::string line = c.line + "\t3";
        std::string body;
        for (const std::string& g : good)
            body += g + "\t3\n";
        const std::string reply = upload(body + c.heading + "\n" + line + "\n- end\n");
        const std::string named = "- error " + c.reason + ": " + line.substr(0, 12);
        EXPECT_EQ(reply.substr(0, named.size()), named) << reply;
        unchanged(c.file);

        TempDir folder;
        const std::string goodLine = good[c.heading == std::string("- countries")   ? 0
                                          : c.heading == std::string("- buildings") ? 1
                                                                                    : 2];
        folder.write(c.file,
                     goodLine.substr(goodLine.find('\n') + 1) + "\t0\r\n" + c.line + "\t0\r\n");
        std::string error;
        EXPECT_FALSE(importFolder(storage(), folder.folder(), error)) << c.file;
        EXPECT_EQ(error, std::string(c.file) + " line 2: " + c.reason);
        unchanged(c.file);
    }
}

// A storage whose look-ups of buildings fail while `failing` is set, as a
// database that went away in the middle of a transaction.
class FailingStorage : public Storage {
  public:
    explicit FailingStorage(Storage& inner) : Storage(testHasher()), inner_(inner) {}
    bool read(const std::function<void(Transaction&)>& work, std::string& error) override {
        return inner_.read(
            [&](Transaction& r) {
                Faulty f(r, failing);
                work(f);
            },
            error);
    }
    bool write(const std::function<bool(Transaction&)>& work, std::string& error) override {
        std::string failure;
        const bool committed = inner_.write(
            [&](Transaction& r) {
                Faulty f(r, failing);
                const bool good = work(f) && !f.failed();
                failure = f.failure();
                return good;
            },
            error);
        if (!failure.empty())
            error = failure;
        return committed;
    }
    bool failing = false;

  private:
    struct Faulty : Transaction {
        Faulty(Transaction& r, bool failing) : r(r), failing(failing) {}
        std::optional<StoredRecord> find(StoredKind kind, uint32_t id) override {
            if (failing && kind == StoredKind::Building) {
                fail("the database went away");
                return std::nullopt;
            }
            return r.find(kind, id);
        }
        std::optional<StoredRecord> findNamed(StoredKind kind, uint32_t parent, uint32_t area,
                                              const std::string& name) override {
            return r.findNamed(kind, parent, area, name);
        }
        std::optional<AccessPoint> findAccessPoint(uint64_t bssid) override {
            return r.findAccessPoint(bssid);
        }
        std::vector<StoredRecord> servicesFor(const std::array<uint32_t, 7>& scopes) override {
            return r.servicesFor(scopes);
        }
        uint32_t newId(StoredKind kind) override { return r.newId(kind); }
        bool put(StoredKind kind, const StoredRecord& place) override { return r.put(kind, place); }
        bool putAccessPoint(const AccessPoint& point) override { return r.putAccessPoint(point); }
        bool forEach(StoredKind kind, const std::function<void(const StoredRecord&)>& fn) override {
            return r.forEach(kind, fn);
        }
        bool forEachAccessPoint(const std::function<void(const AccessPoint&)>& fn) override {
            return r.forEachAccessPoint(fn);
        }
        std::optional<std::string> tokenHash(const std::string& user) override {
            return r.tokenHash(user);
        }
        bool putUser(const std::string& user, const std::string& hash) override {
            return r.putUser(user, hash);
        }
        bool removeUser(const std::string& user) override { return r.removeUser(user); }
        std::vector<std::pair<std::string, std::string>> users() override { return r.users(); }
        bool putScan(const StoredScan& scan) override { return r.putScan(scan); }
        std::vector<StoredScan> scansOf(uint32_t building, size_t limit) override {
            return r.scansOf(building, limit);
        }
        bool forEachScan(const std::function<void(const StoredScan&)>& fn) override {
            return r.forEachScan(fn);
        }
        bool noteUploadedPlace(StoredKind kind, uint32_t id, const std::string& user) override {
            return r.noteUploadedPlace(kind, id, user);
        }
        bool noteUploadedAccessPoint(uint64_t bssid, const std::string& user) override {
            return r.noteUploadedAccessPoint(bssid, user);
        }
        bool purgeUploads(const std::string& user, PurgeCounts& removed) override {
            return r.purgeUploads(user, removed);
        }
        uint64_t newUpload(const std::string& user, const std::string& time) override {
            return r.newUpload(user, time);
        }
        bool updateUpload(const UploadEntry& e) override { return r.updateUpload(e); }
        std::optional<UploadEntry> findUpload(uint64_t id) override { return r.findUpload(id); }
        std::vector<UploadEntry> uploads(uint64_t skip, uint64_t limit,
                                         const std::string& user) override {
            return r.uploads(skip, limit, user);
        }
        uint64_t uploadCount() override { return r.uploadCount(); }
        bool putVersion(const RecordVersion& v) override { return r.putVersion(v); }
        std::vector<RecordVersion> versionsOf(int kind, uint64_t key) override {
            return r.versionsOf(kind, key);
        }
        std::vector<std::pair<int, uint64_t>> changedBy(uint64_t upload) override {
            return r.changedBy(upload);
        }
        bool forEachVersion(const std::function<void(const RecordVersion&)>& fn) override {
            return r.forEachVersion(fn);
        }
        bool removeRecord(int kind, uint64_t key) override { return r.removeRecord(kind, key); }
        bool showScans(uint64_t upload, bool shown) override { return r.showScans(upload, shown); }
        bool forEachHiddenScan(const std::function<void(const StoredScan&)>& fn) override {
            return r.forEachHiddenScan(fn);
        }
        bool scanStored(const StoredScan& scan) override { return r.scanStored(scan); }
        bool setFlag(const std::string& user, UserFlag flag, bool on) override {
            return r.setFlag(user, flag, on);
        }
        bool hasFlag(const std::string& user, UserFlag flag) override {
            return r.hasFlag(user, flag);
        }
        std::vector<std::string> flagged(UserFlag flag) override { return r.flagged(flag); }
        Transaction& r;
        bool failing;
    };
    Storage& inner_;
};

// A storage failing in an upload is answered as such, never as a record the
// server does not know (the failed look-up's reading), and the health check
// tells it until an upload is stored again.
TEST_P(LocationServiceTest, AStorageFailingInAnUploadIsNoRecordError) {
    FailingStorage failing(storage());
    LocationService over(failing);
    const std::string body = "- login\nann\n" + loginToken("secret") +
                             "\n- aps\naabbccddeeff\t31\t0\t1\tHall\t3\n- end\n";
    failing.failing = true;
    EXPECT_EQ(over.upload(body).text,
              "- error The map server cannot store records now; try again later.\n- end\n");
    EXPECT_EQ(over.healthProblem(), "The storage failed to store the last upload, and none has "
                                    "been stored since: the database went away");
    failing.failing = false;
    EXPECT_EQ(over.upload(body).text.rfind("- nearbeam ok\n", 0), 0u);
    EXPECT_EQ(over.healthProblem(), "");
}

// Accounts keep only Argon2id hashes of the login token: not the password, its
// digest or the token; an old users.txt's digests become such hashes.
TEST_P(LocationServiceTest, AccountsKeepOnlyHashesOfTheLoginToken) {
    std::string digest = md5Hex("old");
    std::transform(digest.begin(), digest.end(), digest.begin(), ::toupper);
    dir.write("users.txt", "cid\t" + digest); // kept by hand: upper case, no last line break
    std::string error;
    ASSERT_TRUE(importFolder(storage(), dir.folder(), error)) << error;
    ASSERT_TRUE(addUser(storage(), "bob", "pw1", error)) << error;
    ASSERT_TRUE(addUser(storage(), "bob", "pw2", error)) << error; // a new password
    EXPECT_FALSE(addUser(storage(), "a\tb", "pw", error));
    EXPECT_EQ(listUsers(storage()), (std::vector<std::string>{"ann", "bob", "cid"}));
    const std::string users = stored("users.txt");
    for (const char* secret : {"secret", "pw2", "old"}) {
        EXPECT_EQ(users.find(secret), std::string::npos) << secret;
        EXPECT_EQ(users.find(md5Hex(secret)), std::string::npos) << secret;
        EXPECT_EQ(users.find(loginToken(secret)), std::string::npos) << secret;
    }
    EXPECT_EQ(users.find("$argon2id$"), users.find("ann\t$argon2id$") + 4);

    auto login = [&](const char* user, const char* password) {
        return service->upload(std::string("- login\n") + user + "\n" + loginToken(password) +
                               "\n- end\n");
    };
    struct Case {
        const char* user;
        const char* password;
        bool good;
    };
    for (const Case& c : {Case{"bob", "pw2", true}, Case{"bob", "pw1", false},
                          Case{"cid", "old", true}, Case{"dan", "pw2", false}}) {
        UploadReply reply = login(c.user, c.password);
        EXPECT_EQ(reply.text.rfind(c.good ? "- nearbeam ok\n" : "- error ", 0), 0u) << c.user;
        EXPECT_EQ(reply.loginFailed, !c.good) << c.user;
    }
    // A login remembered as verified ends with its account.
    ASSERT_TRUE(removeUser(storage(), "bob", error)) << error;
    EXPECT_TRUE(login("bob", "pw2").loginFailed);
    EXPECT_FALSE(removeUser(storage(), "bob", error));
    EXPECT_EQ(error, "There is no user bob.");
}

// Who has an account does not show in how long a refused login takes: an
// unknown user costs the same hash check as a known one with a wrong password.
// Compared as a ratio within one run, in alternating rounds so that the load of
// the machine falls on both alike.
TEST(LoginTiming, AnUnknownUserTakesAsLongAsAWrongPassword) {
    // A cost high enough that a hash check stands out from a look-up.
    MemoryStorage storage(std::make_shared<Argon2Hasher>(1, 8 * 1024 * 1024));
    std::string error;
    ASSERT_TRUE(addUser(storage, "ann", "secret", error)) << error;
    LocationService service(storage);
    auto refusalTime = [&](const char* user) {
        const auto start = std::chrono::steady_clock::now();
        const UploadReply reply =
            service.upload(std::string("- login\n") + user + "\n" + loginToken("guess") + "\n");
        EXPECT_TRUE(reply.loginFailed) << user;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> ratios;
    for (int round = 0; round < 9; ++round)
        ratios.push_back(refusalTime("nobody") / refusalTime("ann"));
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    EXPECT_GT(median, 0.5);
    EXPECT_LT(median, 2.0);
}

} // namespace
} // namespace nearbeam::test
