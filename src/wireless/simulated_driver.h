#pragma once
// A stand-in adapter that replays a scenario file: blocks of access points, each
// holding from its time (seconds since the driver was made) until the next block.
// Chosen only on request (the --simulate option), so the program can run where
// there is no Wi-Fi adapter. The file format is described in README.md.

#include "base/clock.h"
#include "wireless/wireless_driver.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

struct ScenarioBlock {
    int64_t atSeconds = 0;
    std::vector<AccessPointRecord> accessPoints;
    std::optional<Bssid> associated;
};

struct Scenario {
    std::vector<AdapterInfo> adapters; // never empty once loaded
    std::vector<ScenarioBlock> blocks; // times strictly increasing
};

// The outcome of loading a scenario: the scenario, or the line (1-based; 0 when the
// file could not be read) and what is wrong there.
struct ScenarioLoad {
    std::optional<Scenario> scenario;
    int line = 0;
    std::string message;

    explicit operator bool() const { return scenario.has_value(); }
    // "line 7: ..." or the message alone when there is no line.
    std::string describe() const;
};

// The adapter a scenario without "adapter" lines has.
inline constexpr const wchar_t* kSimulatedAdapterName = L"{8E2C6D1A-0000-4000-8000-000000000001}";
inline constexpr const wchar_t* kSimulatedAdapterDescription = L"Simulated adapter";

ScenarioLoad parseScenario(std::string_view text);
// path: 8-bit, as the program stores paths.
ScenarioLoad loadScenario(const std::string& path);

class SimulatedDriver : public WirelessDriver {
  public:
    // Time starts now on the clock.
    SimulatedDriver(const Clock& clock, Scenario scenario);

    std::vector<AdapterInfo> listAdapters() override;
    // The first adapter of the scenario.
    std::optional<std::wstring> findWirelessAdapter() override;
    // The associated access point's signal for one of the scenario's adapters, else 0.
    int32_t signalOfAdapter(const std::wstring& name) override;
    // Any name opens: the simulated radio stands in for whichever adapter the
    // settings name.
    bool open(const std::wstring& name) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void requestScan() override {}
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override;
    std::optional<Bssid> associatedBssid() override;

    // Seconds since the driver was made (follows the clock across its wrap).
    int64_t elapsedSeconds() const;

  private:
    const ScenarioBlock* currentBlock() const;

    const Clock& clock_;
    Scenario scenario_;
    mutable uint32_t lastTick_;
    mutable uint64_t elapsedMs_ = 0;
    bool open_ = false;
};

} // namespace nearbeam
