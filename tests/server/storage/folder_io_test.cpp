// Import and export of a folder of the program's text files, on each storage.

#include "net/md5.h"
#include "net/server_records.h"
#include "server/accounts/accounts.h"
#include "server/location_service.h"
#include "server/storage/backends.h"
#include "server/storage/folder_io.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace nearbeam::test {
namespace {

using StorageFolders = StorageTest;
NEARBEAM_ON_EVERY_STORAGE(StorageFolders);

// The demo server's folder comes back line for line, but for its users: their
// password digests become hashes of their login tokens, which a second round
// trip keeps as they are.
TEST_P(StorageFolders, TheDemoFolderComesBackLineForLine) {
    const std::filesystem::path demo =
        std::filesystem::path(NEARBEAM_SOURCE_DIR) / "data/demo/server";
    std::string error;
    ASSERT_TRUE(importFolder(storage(), demo.string(), error)) << error;
    TempDir out;
    ASSERT_TRUE(exportFolder(storage(), out.folder(), error)) << error;
    for (const auto& file : std::filesystem::directory_iterator(demo)) {
        const std::string name = file.path().filename().string();
        std::ifstream in(file.path(), std::ios::binary);
        const std::string lines(std::istreambuf_iterator<char>(in), {});
        if (name != "users.txt") {
            EXPECT_EQ(out.read(name), lines) << name;
        }
    }
    const std::string users = out.read("users.txt");
    EXPECT_EQ(users.rfind("demo\t$argon2id$", 0), 0u) << users;
    LocationService service(storage());
    EXPECT_EQ(service.upload("- login\ndemo\n" + loginToken("nearbeam") + "\n- end\n")
                  .text.rfind("- nearbeam ok\n", 0),
              0u);

    TestStorage again(GetParam());
    ASSERT_NE(again.get(), nullptr) << again.error();
    ASSERT_TRUE(importFolder(*again.get(), out.folder(), error)) << error;
    EXPECT_EQ(storedFile(*again.get(), "users.txt"), users);
    EXPECT_EQ(storedFile(*again.get(), "ap.txt"), out.read("ap.txt"));
}

// An import is all or nothing: a line it cannot read stops it with the file and
// line named. Lines made locally and never uploaded are passed over.
TEST_P(StorageFolders, ImportTakesServerLinesAndStopsAtAnUnreadableOne) {
    struct Case {
        const char* file;
        const char* text;
        const char* error; // empty: imported
    };
    const Case cases[] = {
        {"country.txt", "7\tNorway\t0\r\n4294967295\tLocal\t3\r\n\r\n", ""},
        {"ap.txt", "001122334455\t31\t0\t\tHall\t0\r\naabbccddeeff\t4294967295\t0\t\tNew\t3\r\n",
         ""},
        {"city.txt", "20\t12\tBergen\t0\r\nnot a line\r\n",
         "city.txt line 2: the record cannot be read"},
        {"ap.txt", "0011223344zz\t31\t0\t\tHall\t0\r\n",
         "ap.txt line 1: the record cannot be read"},
        {"users.txt", "ann\r\n", "users.txt line 1: the user cannot be read"},
        {"scans.txt",
         "7\t2\tMap room\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-91\t001aff09b07c:0\r\n"
         "4294967295\t1\tNew\t3\t2026-12-08T09:15:00Z\t02a0c0000025:-50\r\n",
         ""},
        {"scans.txt", "7\t2\tHall\t0\t2026-12-08T09:15:00Z\t02a0c0000025:-121\r\n",
         "scans.txt line 1: the record cannot be read"},
    };
    for (const Case& c : cases) {
        TestStorage target(GetParam());
        ASSERT_NE(target.get(), nullptr) << target.error();
        TempDir in;
        in.write("network.txt", "3\tCity net\t0\r\n");
        in.write(c.file, c.text);
        std::string error;
        EXPECT_EQ(importFolder(*target.get(), in.folder(), error), !*c.error) << c.file;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(storedFile(*target.get(), "network.txt"), *c.error ? "" : "3\tCity net\t0\r\n");
        if (!*c.error) { // the first line is the server's
            const std::string text = c.text;
            EXPECT_EQ(storedFile(*target.get(), c.file), text.substr(0, text.find("\r\n") + 2));
        }
    }
}

} // namespace
} // namespace nearbeam::test
