// Scenario files of any bytes: a file is either refused with a line number within
// the file and a message, or taken whole, with every rule of the format holding;
// a taken scenario written out again reads back the same, and the driver replays
// it without fault.

#include "base/clock.h"
#include "base/text.h"
#include "fuzz_files.h"
#include "wireless/simulated_driver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

using namespace nearbeam;
using fuzz::check;

namespace {

std::string bssidText(const Bssid& b) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4],
                  b[5]);
    return text;
}

std::string write(const Scenario& s) {
    std::string out;
    for (const AdapterInfo& a : s.adapters)
        out += "adapter " + toUtf8(a.name) + " " + toUtf8(a.description) + "\n";
    for (const ScenarioBlock& block : s.blocks) {
        out += "at " + std::to_string(block.atSeconds) + "\n";
        for (const AccessPointRecord& r : block.accessPoints) {
            const char* mode = r.mode == InfrastructureMode::Infrastructure ? "infra"
                               : r.mode == InfrastructureMode::Independent  ? "adhoc"
                                                                            : "auto";
            out += "ap " + bssidText(r.bssid) + " " + std::to_string(r.rssi) + " " +
                   std::to_string(r.frequencyKhz) + " " + mode + " " +
                   (r.privacy ? "wep" : "open") + " \"";
            for (unsigned char c : r.ssid) {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\x%02x", c);
                out += escape;
            }
            out += "\"\n";
        }
        if (block.associated)
            out += "associated " + bssidText(*block.associated) + "\n";
    }
    return out;
}

bool same(const AccessPointRecord& a, const AccessPointRecord& b) {
    return a.bssid == b.bssid && a.ssid == b.ssid && a.privacy == b.privacy && a.rssi == b.rssi &&
           a.frequencyKhz == b.frequencyKhz && a.mode == b.mode;
}

bool same(const Scenario& a, const Scenario& b) {
    if (a.adapters.size() != b.adapters.size() || a.blocks.size() != b.blocks.size())
        return false;
    for (size_t i = 0; i < a.adapters.size(); ++i)
        if (a.adapters[i].name != b.adapters[i].name ||
            a.adapters[i].description != b.adapters[i].description)
            return false;
    for (size_t i = 0; i < a.blocks.size(); ++i) {
        const ScenarioBlock &x = a.blocks[i], &y = b.blocks[i];
        if (x.atSeconds != y.atSeconds || x.associated != y.associated ||
            !std::equal(x.accessPoints.begin(), x.accessPoints.end(), y.accessPoints.begin(),
                        y.accessPoints.end(),
                        [](const auto& p, const auto& q) { return same(p, q); }))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ScenarioLoad load = parseScenario(text);
    if (!load) {
        const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        check(load.line >= 1 && load.line <= lines && !load.message.empty());
        check(load.describe().rfind("line " + std::to_string(load.line) + ": ", 0) == 0);
        return 0;
    }
    const Scenario& s = *load.scenario;
    check(!s.adapters.empty());
    for (size_t i = 0; i < s.blocks.size(); ++i) {
        check(s.blocks[i].atSeconds >= 0);
        check(i == 0 || s.blocks[i].atSeconds > s.blocks[i - 1].atSeconds);
        for (const AccessPointRecord& r : s.blocks[i].accessPoints)
            check(r.ssid.size() <= 32);
    }

    const ScenarioLoad again = parseScenario(write(s));
    check(again && same(s, *again.scenario));

    // Replayed over a minute of ticks, each block shows up as written.
    ManualClock clock(4294960000u); // wraps during the replay
    SimulatedDriver driver(clock, s);
    check(driver.open(s.adapters.front().name));
    for (int tick = 0; tick < 8; ++tick) {
        std::vector<AccessPointRecord> seen;
        check(driver.listQuery(seen) == QueryStatus::Ok);
        const int64_t now = driver.elapsedSeconds();
        const ScenarioBlock* block = nullptr;
        for (const ScenarioBlock& b : s.blocks)
            if (b.atSeconds <= now)
                block = &b;
        check(seen.size() == (block ? block->accessPoints.size() : 0));
        check(driver.associatedBssid() == (block ? block->associated : std::nullopt));
        driver.signalOfAdapter(s.adapters.back().name);
        clock.advance(10000);
    }
    return 0;
}
