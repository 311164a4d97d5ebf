// The key index answers what reading the file from its start answers, whoever
// changed the file and however.

#include "database_fixture.h"
#include "records/bssid_index.h"
#include "records/data_file.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

std::optional<std::string> straightScan(const std::string& path, const BssidKey& key) {
    std::optional<std::string> found;
    datafile::forEachPartOfFile(path, [&](std::string_view part) {
        if (part.size() < 12 || std::memcmp(part.data(), key.c_str(), 12) != 0)
            return false;
        found.emplace(part);
        return true;
    });
    return found;
}

// Lines of every shape a data file may hold, over a small set of keys so that
// keys repeat.
class LineMaker {
  public:
    explicit LineMaker(unsigned seed) : rng_(seed) {
        for (int i = 0; i < 24; ++i)
            keys.push_back(*BssidKey::fromText(hex(0x001122330000ull + i * 0x1357ull)));
        keys.push_back(*BssidKey::fromText("ffffffffffff")); // never written
    }

    std::string line() {
        const std::string key = keys[pick(keys.size() - 1)].str();
        switch (pick(7)) {
        case 0:
            return key;
        case 1: // not a key's form
            return "AABBCCDDEEFF\t1\t0\t\t\t0";
        case 2:
            return key.substr(0, pick(12));
        case 3: // later parts beginning with keys
            return std::string(327, 'x') + key + std::string(315, 'y') + keys[pick(24)].str();
        case 4:
            return std::string(pick(400), 'z') + key;
        default:
            return key + "\t31\t0\t" + std::to_string(pick(9)) + "\tRoom\t" +
                   std::to_string(pick(7));
        }
    }
    // Lines with CR LF or LF ends; sometimes the last without one.
    std::string lines(size_t count) {
        std::string out;
        for (size_t i = 0; i < count; ++i)
            out += line() + (pick(3) == 0 ? "\n" : "\r\n");
        if (pick(6) == 0)
            out += line();
        return out;
    }
    size_t pick(size_t below) { return std::uniform_int_distribution<size_t>(0, below - 1)(rng_); }

    std::vector<BssidKey> keys;

  private:
    static std::string hex(unsigned long long n) {
        char digits[13];
        std::snprintf(digits, sizeof digits, "%012llx", n);
        return digits;
    }
    std::mt19937 rng_;
};

TEST(BssidIndex, AnswersAsTheScanAfterRandomEdits) {
    TempDir dir;
    const std::string path = dir.file("ap.txt");
    LineMaker make(20261208);
    BssidIndex index;
    auto stampAnew = [&, n = 0]() mutable {
        // Another program's change shows in the stamp, even one that keeps the size.
        std::filesystem::last_write_time(dir.path() / "ap.txt",
                                         std::filesystem::file_time_type::clock::now() +
                                             std::chrono::seconds(++n));
    };
    for (int step = 0; step < 400; ++step) {
        const size_t edit = make.pick(6);
        if (edit == 0) { // this program appends
            const FileStamp stamp = fileStamp(path);
            index.appended(path, stamp, datafile::appendBytes(path, make.lines(1 + make.pick(4))));
        } else if (edit == 1) { // another program appends
            std::ofstream(path, std::ios::binary | std::ios::app) << make.lines(1 + make.pick(4));
            stampAnew();
        } else if (edit == 2) { // another program writes the file anew
            dir.write("ap.txt", make.lines(make.pick(30)));
            stampAnew();
        } else if (edit == 3) { // this program replaces the file
            replaceFileContent(path, make.lines(make.pick(30)));
            index.invalidate();
        } else if (edit == 4 && make.pick(4) == 0) { // the file goes
            removeFile(path);
            index.invalidate();
        } else if (edit == 5 && make.pick(2) == 0) { // a restart reads the saved index
            index = BssidIndex();
        }
        for (const BssidKey& key : make.keys)
            ASSERT_EQ(index.firstPart(path, key), straightScan(path, key))
                << "step " << step << " edit " << edit << " key " << key.str();
    }
}

TEST(BssidIndex, ALineMovedWithoutANewStampIsStillFound) {
    TempDir dir;
    const std::string path = dir.file("ap.txt");
    dir.write("ap.txt", "001122334455\t1\r\naabbccddeeff\t2\r\n");
    BssidIndex index;
    ASSERT_EQ(index.firstPart(path, *BssidKey::fromText("aabbccddeeff")), "aabbccddeeff\t2\n");
    const auto time = std::filesystem::last_write_time(dir.path() / "ap.txt");
    dir.write("ap.txt", "aabbccddeeff\t2\r\n001122334455\t1\r\n");
    std::filesystem::last_write_time(dir.path() / "ap.txt", time);
    EXPECT_EQ(index.firstPart(path, *BssidKey::fromText("aabbccddeeff")), "aabbccddeeff\t2\n");
    EXPECT_EQ(index.firstPart(path, *BssidKey::fromText("001122334455")), "001122334455\t1\n");
}

TEST(BssidIndex, ASavedIndexIsReadAtTheNextStartUnlessItIsDamaged) {
    TempDir dir;
    const std::string path = dir.file("ap.txt");
    LineMaker make(42);
    dir.write("ap.txt", make.lines(200));
    BssidIndex().refresh(path);
    const std::string saved = dir.read("ap.txt.idx");
    ASSERT_GT(saved.size(), 40u);
    const size_t head = 40;
    std::string reversed = saved.substr(0, head);
    for (size_t at = saved.size(); at > head; at -= 16)
        reversed += saved.substr(at - 16, 16);
    std::string shifted = saved; // sorted, but every line's place is wrong
    for (size_t at = head + 8; at < shifted.size(); at += 16)
        shifted[at] = static_cast<char>(shifted[at] + 1);
    const std::string damages[] = {saved, saved.substr(0, saved.size() - 5), reversed, shifted,
                                   "NBIDX1\r\n"};
    for (const std::string& damage : damages) {
        dir.write("ap.txt.idx", damage);
        BssidIndex index;
        for (const BssidKey& key : make.keys)
            ASSERT_EQ(index.firstPart(path, key), straightScan(path, key)) << key.str();
    }
}

// The tables answer through the index: lines the download merges, the asked list
// adds and the wizard saves are found, at once and after a restart; lines another
// program or a purge removes are not.
TEST_F(LocationDatabaseFixture, LookupsFollowEveryWriterOfTheFiles) {
    dir.write("ap.txt", "001122334455\t1\t0\t\tHall\t0\r\n");
    dir.write("apchecked.txt", "0011223344aa\r\n");
    EXPECT_EQ(db.lookUpLocation(key("0011223344bb"), nullptr), lookup_status::Idle);
    EXPECT_EQ(db.locations().appendServerLines({"0011223344bb\t1\t0\t\tDesk"}), 1u);
    EXPECT_EQ(db.lookUpLocation(key("0011223344bb"), nullptr), lookup_status::Found);
    EXPECT_TRUE(db.asked().add(key("0011223344cc")));
    LocationRecord* created = db.locations().findOrCreate(key("0011223344dd"));
    EXPECT_TRUE(db.locations().saveLocation(*created));
    LocationDatabase restarted(settings);
    restarted.openDatabase(dir.folder());
    EXPECT_EQ(restarted.lookUpLocation(key("0011223344bb"), nullptr), lookup_status::Found);
    EXPECT_EQ(restarted.lookUpLocation(key("0011223344cc"), nullptr), lookup_status::NotPlaced);
    EXPECT_EQ(restarted.lookUpLocation(key("0011223344dd"), nullptr), lookup_status::Found);

    dir.write("apchecked.txt", "");
    dir.write("ap.txt", "0011223344ee\t1\t0\t\tRoof\t0\r\n0011223344ff\t1\t0\t\tCellar\t3\r\n");
    EXPECT_EQ(db.lookUpLocation(key("0011223344aa"), nullptr), lookup_status::Idle);
    EXPECT_EQ(db.lookUpLocation(key("001122334455"), nullptr), lookup_status::Idle);
    EXPECT_EQ(db.lookUpLocation(key("0011223344ee"), nullptr), lookup_status::Found);
    db.locations().purgeLocal();
    EXPECT_EQ(db.lookUpLocation(key("0011223344ff"), nullptr), lookup_status::Idle);
}

} // namespace
} // namespace nearbeam::test
