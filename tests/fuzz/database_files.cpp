// Data files of any content: the reader, the lookups that read them, the purge,
// the collection of local lines and the merge of server lines never crash, and
// keep or drop whole lines.

#include "base/memory_settings_store.h"
#include "fuzz_files.h"
#include "locate/location_database.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace nearbeam;

using fuzz::folder;
using fuzz::readFile;
using fuzz::writeFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string dir = folder();
    const char* files[] = {"network.txt", "country.txt",   "province.txt",
                           "city.txt",    "area.txt",      "building.txt",
                           "ap.txt",      "apchecked.txt", "services.txt"};
    for (const char* f : files)
        writeFile(dir + f, bytes);

    MemorySettingsStore settings;
    LocationDatabase db(settings);
    db.openDatabase(dir);

    // Parts are never longer than a file line.
    datafile::forEachPartOfFile(dir + "ap.txt", [](std::string_view part) {
        if (part.size() > kMaxLineLength || part.empty())
            std::abort();
        return false;
    });

    LocationRecord* record = nullptr;
    db.lookUpLocation(*BssidKey::fromText("001122334455"), &record);
    if (size >= 12) {
        if (auto key = BssidKey::fromText(bytes.substr(0, 12))) {
            if (db.lookUpLocation(*key, &record) == lookup_status::Found && record) {
                record->expandTemplate("{bssid}{location}{area}{building}{buildingid}"
                                       "{streetaddr}{city}{country}{province}{x");
                record->forEachService(db.services(), service_level::Building,
                                       [](const std::string&, const std::string&) {});
                record->markEdited();
                db.locations().saveLocation(*record);
            }
        }
    }
    for (uint32_t id : {0u, 1u, 7u, 4294967295u})
        db.buildings().findById(id);
    db.countries().findByName("a", nullptr, nullptr, false);
    db.provinces().forEachChild([](const std::string&) {}, 1);
    db.buildings().forEachBuilding([](const std::string&) {}, 1, 0);

    // Collect and purge split the whole lines between them.
    const std::string local = db.countries().collectLocal();
    db.countries().purgeLocal();
    const std::string kept = readFile(dir + "country.txt");
    if (readFile(dir + "country.txt.bak") != bytes)
        std::abort();
    size_t lines = 0, keptLines = 0, localLines = 0;
    for (char c : local)
        localLines += c == '\n';
    for (size_t i = 0; i + 1 < kept.size(); ++i)
        keptLines += kept[i] == '\r' && kept[i + 1] == '\n';
    datafile::LineReader reader(dir + "country.txt.bak");
    std::string_view line;
    while (reader.next(line))
        ++lines;
    if (lines != keptLines + localLines)
        std::abort();

    // Merging server lines in one batch gives what one at a time gives.
    std::vector<std::string> reply;
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            reply.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }
    writeFile(dir + "city.txt", bytes);
    writeFile(dir + "area.txt", bytes);
    std::vector<bool> added;
    db.cities().appendServerLines(reply, &added);
    for (size_t i = 0; i < reply.size(); ++i) {
        if (db.areas().appendServerLine(reply[i]) != added[i])
            std::abort();
    }
    if (readFile(dir + "city.txt") != readFile(dir + "area.txt"))
        std::abort();

    db.clearCache();
    return 0;
}
