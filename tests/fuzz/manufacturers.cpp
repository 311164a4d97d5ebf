// manufacturers.dat of any bytes: every prefix answers the name of the first line
// written for it, at most 15 characters and never holding a line break; a prefix
// no line names answers nothing.

#include "wireless/manufacturers.h"
#include "base/clock.h"
#include "fuzz_files.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

using namespace nearbeam;
using fuzz::check;

namespace {

int lowerHex(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::folder() + "manufacturers.dat";
    fuzz::writeFile(path, bytes);

    // The first line of each prefix, as the format says.
    std::map<uint32_t, std::string> expected;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        uint32_t key = 0;
        bool isKey = line.size() > 6 && line[6] == ' ';
        for (size_t i = 0; isKey && i < 6; ++i) {
            isKey = lowerHex(line[i]) >= 0;
            key = key << 4 | static_cast<uint32_t>(lowerHex(line[i]));
        }
        if (isKey)
            expected.emplace(key, std::string(line.substr(7, 15)));
        start = end + 1;
    }

    ManualClock clock;
    ManufacturerTable table(path, clock);
    for (const auto& [key, name] : expected) {
        const Bssid bssid{static_cast<uint8_t>(key >> 16),
                          static_cast<uint8_t>(key >> 8),
                          static_cast<uint8_t>(key),
                          1,
                          2,
                          3};
        const std::string got = table.lookup(bssid);
        check(got == name && got.size() <= 15 && got.find('\n') == std::string::npos);
    }
    // A prefix no line names.
    for (uint32_t key = 0xabcdef; key <= 0xabcdf3; ++key) {
        if (expected.count(key))
            continue;
        check(table.lookup({0xab, 0xcd, static_cast<uint8_t>(key), 0, 0, 0}).empty());
    }
    return 0;
}
