#include "wireless/wireless_device.h"

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace nearbeam {
namespace {

// A driver whose adapters, signals and answers the test sets, and which records
// what the device asked of it.
class FakeDriver : public WirelessDriver {
  public:
    std::vector<AdapterInfo> adapters;
    std::map<std::wstring, int32_t> signals;
    std::vector<std::wstring> openable; // names open() accepts
    std::vector<AccessPointRecord> records;
    QueryStatus status = QueryStatus::Ok;
    std::optional<Bssid> associated;
    std::optional<std::wstring> ownPick; // overrides the signal rule when set

    std::wstring opened;
    int scans = 0;
    int closes = 0;

    std::vector<AdapterInfo> listAdapters() override { return adapters; }
    std::optional<std::wstring> findWirelessAdapter() override {
        return ownPick ? ownPick : WirelessDriver::findWirelessAdapter();
    }
    int32_t signalOfAdapter(const std::wstring& name) override {
        const auto it = signals.find(name);
        return it == signals.end() ? 0 : it->second;
    }
    bool open(const std::wstring& name) override {
        for (const std::wstring& n : openable) {
            if (n == name) {
                opened = name;
                return true;
            }
        }
        opened.clear();
        return false;
    }
    void close() override {
        ++closes;
        opened.clear();
    }
    bool isOpen() const override { return !opened.empty(); }
    void requestScan() override { ++scans; }
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override {
        out = records;
        return status;
    }
    std::optional<Bssid> associatedBssid() override { return associated; }
};

AccessPointRecord record(uint8_t last, int32_t rssi,
                         InfrastructureMode mode = InfrastructureMode::Infrastructure) {
    AccessPointRecord r;
    r.bssid = {0x00, 0x11, 0x22, 0x33, 0x44, last};
    r.rssi = rssi;
    r.mode = mode;
    return r;
}

struct Rig {
    MemorySettingsStore store;
    FakeDriver* wlan = nullptr;
    FakeDriver* ndis = nullptr;

    std::unique_ptr<WirelessDevice> make() {
        std::vector<std::unique_ptr<WirelessDriver>> drivers;
        auto first = std::make_unique<FakeDriver>();
        auto second = std::make_unique<FakeDriver>();
        wlan = first.get();
        ndis = second.get();
        setUp(*wlan, *ndis);
        drivers.push_back(std::move(first));
        drivers.push_back(std::move(second));
        return std::make_unique<WirelessDevice>(store, std::move(drivers));
    }
    std::function<void(FakeDriver&, FakeDriver&)> setUp = [](FakeDriver&, FakeDriver&) {};
};

TEST(WirelessDevice, AutomaticChoiceTakesTheFirstDriversPickAndIsNotWritten) {
    Rig rig;
    rig.setUp = [](FakeDriver& wlan, FakeDriver& ndis) {
        wlan.adapters = {{L"{W1}", L"Wi-Fi"}};
        wlan.ownPick = L"{W1}";
        wlan.openable = {L"{W1}"};
        ndis.adapters = {{L"{E1}", L""}, {L"{E2}", L""}};
        ndis.signals = {{L"{E2}", -50}};
        ndis.openable = {L"{E2}"};
    };
    auto device = rig.make();
    EXPECT_TRUE(device->automatic());
    EXPECT_EQ(device->deviceName(), L"{W1}");
    EXPECT_EQ(rig.wlan->opened, L"{W1}");
    EXPECT_EQ(device->state(), DeviceState::Ok);
    EXPECT_EQ(settings::read(rig.store, settings::Device), L"");
}

TEST(WirelessDevice, WithoutWlanInterfacesTheFirstAdapterWithASignalIsChosen) {
    Rig rig;
    rig.setUp = [](FakeDriver&, FakeDriver& ndis) {
        ndis.adapters = {{L"{E1}", L""}, {L"{E2}", L""}, {L"{E3}", L""}};
        ndis.signals = {{L"{E1}", 0}, {L"{E2}", -61}, {L"{E3}", -40}};
        ndis.openable = {L"{E2}", L"{E3}"};
    };
    auto device = rig.make();
    EXPECT_EQ(device->deviceName(), L"{E2}"); // {E1} answers 0: not wireless
    EXPECT_EQ(rig.ndis->opened, L"{E2}");
    EXPECT_EQ(device->state(), DeviceState::Ok);
    EXPECT_EQ(device->findWirelessAdapter(), std::optional<std::wstring>(L"{E2}"));
}

TEST(WirelessDevice, NoAdapterLeavesEveryQueryFailing) {
    Rig rig;
    rig.setUp = [](FakeDriver&, FakeDriver& ndis) {
        ndis.adapters = {{L"{E1}", L"Ethernet"}}; // wired: its signal query fails
        ndis.records = {record(1, -50)};
    };
    auto device = rig.make();
    EXPECT_EQ(device->state(), DeviceState::NoAdapter);
    EXPECT_TRUE(device->automatic());
    EXPECT_EQ(device->deviceName(), L"");
    int calls = 0;
    EXPECT_FALSE(device->listQuery([&](const AccessPointRecord&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    device->requestScan();
    EXPECT_EQ(rig.ndis->scans, 0);
    EXPECT_EQ(device->associatedBssid(), std::nullopt);
    EXPECT_EQ(device->calibration().rssiMin(), 0); // untouched
    ASSERT_EQ(device->listAdapters().size(), 1u);  // the Options list still shows it
}

TEST(WirelessDevice, ANamedAdapterOpensThroughTheDriverThatListsItElseTheLast) {
    struct Case {
        std::wstring setting;
        std::wstring wlanOpened, ndisOpened;
        DeviceState state;
    };
    const Case cases[] = {
        {L"{W1}", L"{W1}", L"", DeviceState::Ok},
        {L"{w1}", L"{w1}", L"", DeviceState::Ok}, // edited by hand: case does not matter
        {L"{E1}", L"", L"{E1}", DeviceState::Ok},
        {L"\\\\.\\Custom", L"", L"\\\\.\\Custom", DeviceState::Ok}, // a path as given
        {L"{GONE}", L"", L"", DeviceState::NoAdapter},
    };
    for (const Case& c : cases) {
        Rig rig;
        settings::write(rig.store, settings::Device, c.setting);
        rig.setUp = [](FakeDriver& wlan, FakeDriver& ndis) {
            wlan.adapters = {{L"{W1}", L""}};
            wlan.openable = {L"{W1}", L"{w1}", L"{E1}", L"\\\\.\\Custom"};
            ndis.adapters = {{L"{E1}", L""}, {L"{W1}", L""}};
            ndis.openable = {L"{W1}", L"{w1}", L"{E1}", L"\\\\.\\Custom"};
        };
        auto device = rig.make();
        EXPECT_FALSE(device->automatic());
        EXPECT_EQ(device->deviceName(), c.setting);
        EXPECT_EQ(rig.wlan->opened, c.wlanOpened) << c.setting;
        EXPECT_EQ(rig.ndis->opened, c.ndisOpened) << c.setting;
        EXPECT_EQ(device->state(), c.state) << c.setting;
    }
}

TEST(WirelessDevice, ListQueryCalibratesEveryRecordBeforeItsCallback) {
    Rig rig;
    settings::write(rig.store, settings::RssiMin, -90);
    settings::write(rig.store, settings::RssiMax, -40);
    rig.setUp = [](FakeDriver& wlan, FakeDriver&) {
        wlan.ownPick = L"{W1}";
        wlan.openable = {L"{W1}"};
        wlan.records = {record(1, -95, InfrastructureMode::Independent), record(2, -30),
                        record(3, -60, InfrastructureMode::Automatic)};
    };
    auto device = rig.make();
    std::vector<std::pair<uint8_t, int32_t>> seen; // BSSID and RssiMin at the callback
    EXPECT_TRUE(device->listQuery([&](const AccessPointRecord& r) {
        seen.emplace_back(r.bssid[5], device->calibration().rssiMin());
    }));
    // Every mode reaches the callback and the calibration; the callers filter.
    EXPECT_EQ(seen, (std::vector<std::pair<uint8_t, int32_t>>{{1, -97}, {2, -97}, {3, -97}}));
    EXPECT_EQ(device->calibration().rssiMax(), -30);
    EXPECT_EQ(settings::read(rig.store, settings::RssiMin), -97);
    EXPECT_EQ(settings::read(rig.store, settings::RssiMax), -30);
    EXPECT_TRUE(device->listQuery({})); // no callback is fine
}

TEST(WirelessDevice, ARefusedListIsReportedApartFromNoAdapter) {
    Rig rig;
    rig.setUp = [](FakeDriver& wlan, FakeDriver&) {
        wlan.ownPick = L"{W1}";
        wlan.openable = {L"{W1}"};
        wlan.status = QueryStatus::AccessDenied;
        wlan.records = {record(1, -50)};
    };
    auto device = rig.make();
    EXPECT_EQ(device->state(), DeviceState::Ok);
    int calls = 0;
    EXPECT_FALSE(device->listQuery([&](const AccessPointRecord&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(device->state(), DeviceState::PermissionRefused);
    EXPECT_EQ(device->calibration().rssiMax(), -999);
    // An adapter that stops answering is no adapter; the user granting access
    // brings it back.
    rig.wlan->status = QueryStatus::Failed;
    EXPECT_FALSE(device->listQuery({}));
    EXPECT_EQ(device->state(), DeviceState::NoAdapter);
    rig.wlan->status = QueryStatus::Ok;
    EXPECT_TRUE(device->listQuery([&](const AccessPointRecord&) { ++calls; }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(device->state(), DeviceState::Ok);
}

TEST(WirelessDevice, SetDeviceWritesTheSettingAndReopens) {
    Rig rig;
    rig.setUp = [](FakeDriver& wlan, FakeDriver& ndis) {
        wlan.adapters = {{L"{W1}", L""}};
        wlan.ownPick = L"{W1}";
        wlan.openable = {L"{W1}"};
        ndis.adapters = {{L"{E1}", L""}};
        ndis.openable = {L"{E1}"};
    };
    auto device = rig.make();
    device->setDevice(L"{E1}");
    EXPECT_EQ(settings::read(rig.store, settings::Device), L"{E1}");
    EXPECT_FALSE(device->automatic());
    EXPECT_EQ(rig.wlan->closes, 1); // the old adapter was closed
    EXPECT_EQ(rig.ndis->opened, L"{E1}");
    device->requestScan();
    EXPECT_EQ(rig.ndis->scans, 1);
    EXPECT_EQ(rig.wlan->scans, 0);
    device->setDevice(L"");
    EXPECT_TRUE(device->automatic());
    EXPECT_EQ(device->deviceName(), L"{W1}");
    EXPECT_EQ(settings::read(rig.store, settings::Device), L"");
}

TEST(WirelessDevice, AdapterListShowsEachNameOnce) {
    Rig rig;
    rig.setUp = [](FakeDriver& wlan, FakeDriver& ndis) {
        wlan.adapters = {{L"{A}", L"Wi-Fi"}, {L"{B}", L"Wi-Fi 2"}};
        ndis.adapters = {{L"{C}", L"Ethernet"}, {L"{A}", L"Same card"}, {L"{b}", L"Same"}};
    };
    auto device = rig.make();
    const std::vector<AdapterInfo> adapters = device->listAdapters();
    ASSERT_EQ(adapters.size(), 3u);
    EXPECT_EQ(adapters[0].name, L"{A}");
    EXPECT_EQ(adapters[0].description, L"Wi-Fi");
    EXPECT_EQ(adapters[1].name, L"{B}");
    EXPECT_EQ(adapters[2].name, L"{C}");
}

TEST(WirelessDevice, SignalAndAssociationComeFromTheDrivers) {
    Rig rig;
    rig.setUp = [](FakeDriver& wlan, FakeDriver& ndis) {
        wlan.ownPick = L"{W1}";
        wlan.openable = {L"{W1}"};
        wlan.associated = Bssid{1, 2, 3, 4, 5, 6};
        ndis.signals = {{L"{E1}", -44}};
    };
    auto device = rig.make();
    EXPECT_EQ(device->signalOfAdapter(L"{E1}"), -44);
    EXPECT_EQ(device->signalOfAdapter(L"{NONE}"), 0);
    EXPECT_EQ(device->associatedBssid(), (Bssid{1, 2, 3, 4, 5, 6}));
}

TEST(WirelessDevice, WithoutDriversThereIsNoAdapter) {
    MemorySettingsStore store;
    WirelessDevice device(store, {});
    EXPECT_EQ(device.state(), DeviceState::NoAdapter);
    EXPECT_FALSE(device.listQuery({}));
    EXPECT_TRUE(device.listAdapters().empty());
}

} // namespace
} // namespace nearbeam
