#include "base/file_settings_store.h"
#include "base/memory_settings_store.h"
#include "support/settings_store_cases.h"
#include "support/temp_dir.h"

namespace nearbeam::test {
namespace {

struct MemoryStore {
    static std::unique_ptr<SettingsStore> fresh() {
        return std::make_unique<MemorySettingsStore>();
    }
};

// A file store in a folder that lives for the whole run; each store gets its own file.
struct FileStore {
    static std::unique_ptr<SettingsStore> fresh() {
        static TempDir dir;
        static int n = 0;
        return std::make_unique<FileSettingsStore>(
            dir.file("p" + std::to_string(n++) + "/settings"));
    }
};

using Stores = ::testing::Types<MemoryStore, FileStore>;
INSTANTIATE_TYPED_TEST_SUITE_P(Portable, SettingsStoreCases, Stores);

TEST(FileSettingsStore, SurvivesARestartAndIgnoresDamagedLines) {
    TempDir dir;
    std::string path = dir.file("settings");
    {
        FileSettingsStore s(path);
        settings::write(s, settings::NextLocalID, static_cast<int32_t>(4294967292u));
        settings::write(s, settings::Device, L"{GUID}\nline");
    }
    std::string bytes = dir.read("settings");
    dir.write("settings",
              "garbage without tabs\n\t\t\t\nSoftware\\Nearbeam\\WiFi\tRssiMin\tD\t12x\n" + bytes);
    FileSettingsStore s(path);
    EXPECT_EQ(static_cast<uint32_t>(settings::read(s, settings::NextLocalID)), 4294967292u);
    EXPECT_EQ(settings::read(s, settings::Device), L"{GUID}\nline");
    EXPECT_EQ(settings::read(s, settings::RssiMin), 0); // "12x" is not a number
    EXPECT_FALSE(dir.exists("settings.tmp"));
}

} // namespace
} // namespace nearbeam::test
