// A list query over a full answer of 32 NDIS records: the walk alone, the device's
// query with its calibration step, and a whole scan-table update as a tick makes it.
#include "base/memory_settings_store.h"
#include "wireless/ndis_records.h"
#include "wireless/scan_table.h"
#include "wireless/wireless_device.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace nearbeam;

std::vector<uint8_t> fullAnswer() {
    std::vector<uint8_t> bytes(ndis::kListBufferSize, 0);
    auto put = [&](size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
    put(0, ndis::kMaxRecords);
    for (uint32_t i = 0; i < ndis::kMaxRecords; ++i) {
        const size_t at = 4 + i * ndis::kPlainRecordSize;
        put(at + ndis::kOffLength, ndis::kPlainRecordSize);
        const uint8_t mac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, static_cast<uint8_t>(i)};
        std::memcpy(&bytes[at + ndis::kOffMacAddress], mac, 6);
        put(at + ndis::kOffSsidLength, 12);
        std::memcpy(&bytes[at + ndis::kOffSsid], "Campus-Guest", 12);
        put(at + ndis::kOffRssi, static_cast<uint32_t>(-40 - static_cast<int32_t>(i)));
        put(at + ndis::kOffDsConfig, 2412000 + 5000 * (i % 13));
        put(at + ndis::kOffInfrastructureMode, i % 8 == 7 ? 0 : 1);
    }
    return bytes;
}

// A driver answering with the same bytes every time, walked as the NDIS driver does.
class ReplayDriver : public WirelessDriver {
  public:
    std::vector<uint8_t> bytes = fullAnswer();
    std::vector<AdapterInfo> listAdapters() override { return {{L"{BENCH}", L""}}; }
    std::optional<std::wstring> findWirelessAdapter() override { return L"{BENCH}"; }
    int32_t signalOfAdapter(const std::wstring&) override { return -50; }
    bool open(const std::wstring&) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    void requestScan() override {}
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override {
        ndis::walkBssidList(bytes.data(), bytes.size(), out);
        return QueryStatus::Ok;
    }
    std::optional<Bssid> associatedBssid() override { return std::nullopt; }
};

void walkFullAnswer(benchmark::State& state) {
    const std::vector<uint8_t> bytes = fullAnswer();
    std::vector<AccessPointRecord> out;
    for (auto _ : state) {
        ndis::walkBssidList(bytes.data(), bytes.size(), out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(walkFullAnswer);

std::unique_ptr<WirelessDevice> benchDevice(MemorySettingsStore& store) {
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    drivers.push_back(std::make_unique<ReplayDriver>());
    return std::make_unique<WirelessDevice>(store, std::move(drivers));
}

void deviceListQuery(benchmark::State& state) {
    MemorySettingsStore store;
    auto device = benchDevice(store);
    int32_t sum = 0;
    for (auto _ : state) {
        device->listQuery([&](const AccessPointRecord& r) { sum += r.rssi; });
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(deviceListQuery);

void tickIntoScanTable(benchmark::State& state) {
    MemorySettingsStore store;
    auto device = benchDevice(store);
    ScanSettings settings;
    settings.smoothingWeight = 2;
    ScanTable table(24, settings);
    table.setMaximumAge(120);
    for (auto _ : state) {
        table.advance(10);
        device->listQuery([&](const AccessPointRecord& r) {
            if (r.isInfrastructure()) {
                table.addOrUpdate(r.bssid, r.rssi);
            }
        });
        settings.decayFloor = device->calibration().rssiMin();
        table.decayUnseen();
        benchmark::DoNotOptimize(table.best());
    }
}
BENCHMARK(tickIntoScanTable);

} // namespace

BENCHMARK_MAIN();
