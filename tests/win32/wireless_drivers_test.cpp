#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "wireless/win32/ndis_driver.h"
#include "wireless/win32/system_drivers.h"
#include "wireless/win32/wlan_driver.h"
#include "wireless/wireless_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace nearbeam {
namespace {

bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool isGuidName(const std::wstring& name) {
    return name.size() == 38 && name.front() == L'{' && name.back() == L'}';
}

WLAN_BSS_ENTRY bssEntry(uint8_t last, LONG rssi, DOT11_BSS_TYPE type, USHORT capability,
                        const char* ssid) {
    WLAN_BSS_ENTRY e;
    std::memset(&e, 0, sizeof e);
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, last};
    std::memcpy(e.dot11Bssid, mac, 6);
    e.dot11Ssid.uSSIDLength = static_cast<ULONG>(std::strlen(ssid));
    std::memcpy(e.dot11Ssid.ucSSID, ssid, std::strlen(ssid));
    e.dot11BssType = type;
    e.lRssi = rssi;
    e.ulChCenterFrequency = 2437000;
    e.usCapabilityInformation = capability;
    e.uLinkQuality = 80;
    return e;
}

TEST(WlanBssEntry, MapsTheRealStructure) {
    const AccessPointRecord r =
        recordFromBssEntry(bssEntry(7, -58, dot11_BSS_type_infrastructure, 0x0411, "Campus"));
    EXPECT_EQ(r.bssid, (Bssid{0x00, 0x11, 0x22, 0x33, 0x44, 7}));
    EXPECT_EQ(r.ssid, "Campus");
    EXPECT_EQ(r.rssi, -58);
    EXPECT_EQ(r.frequencyKhz, 2437000u);
    EXPECT_TRUE(r.privacy);
    EXPECT_EQ(r.mode, InfrastructureMode::Infrastructure);
    const AccessPointRecord adhoc =
        recordFromBssEntry(bssEntry(8, -70, dot11_BSS_type_independent, 0x0002, ""));
    EXPECT_EQ(adhoc.mode, InfrastructureMode::Independent);
    EXPECT_FALSE(adhoc.privacy);
    WLAN_BSS_ENTRY tooLong = bssEntry(9, -70, dot11_BSS_type_any, 0, "x");
    tooLong.dot11Ssid.uSSIDLength = 1000;
    EXPECT_EQ(recordFromBssEntry(tooLong).ssid.size(), 32u);
    EXPECT_EQ(recordFromBssEntry(tooLong).mode, InfrastructureMode::Automatic);
}

TEST(WlanBssEntry, AListYieldsNoMoreEntriesThanItsSizeHolds) {
    const size_t header = offsetof(WLAN_BSS_LIST, wlanBssEntries);
    std::vector<uint8_t> bytes(header + 2 * sizeof(WLAN_BSS_ENTRY));
    auto* list = reinterpret_cast<WLAN_BSS_LIST*>(bytes.data());
    list->dwTotalSize = static_cast<DWORD>(bytes.size());
    list->dwNumberOfItems = 5;
    list->wlanBssEntries[0] = bssEntry(1, -40, dot11_BSS_type_infrastructure, 0, "one");
    (&list->wlanBssEntries[0])[1] = bssEntry(2, -50, dot11_BSS_type_infrastructure, 0, "two");
    std::vector<AccessPointRecord> out;
    recordsFromBssList(*list, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].ssid, "two");
    list->dwNumberOfItems = 1;
    recordsFromBssList(*list, out);
    EXPECT_EQ(out.size(), 1u);
    list->dwTotalSize = 4; // smaller than the header
    recordsFromBssList(*list, out);
    EXPECT_TRUE(out.empty());
}

TEST(WlanDriver, ListsInterfacesByTheirGuids) {
    WlanDriver driver;
    const std::vector<AdapterInfo> adapters = driver.listAdapters();
    for (const AdapterInfo& a : adapters) {
        EXPECT_TRUE(isGuidName(a.name)) << std::string(a.name.begin(), a.name.end());
    }
    if (underWine()) {
        EXPECT_TRUE(adapters.empty()); // Wine has no Wi-Fi interfaces
        EXPECT_EQ(driver.findWirelessAdapter(), std::nullopt);
    }
    EXPECT_FALSE(driver.open(L"{00000000-0000-0000-0000-000000000000}"));
    std::vector<AccessPointRecord> out;
    EXPECT_EQ(driver.listQuery(out), QueryStatus::Failed);
    EXPECT_EQ(driver.associatedBssid(), std::nullopt);
    driver.requestScan(); // ignored while closed
}

TEST(NdisDriver, WinesEthernetAdaptersAnswerNoWirelessQuery) {
    NdisDriver driver;
    const std::vector<AdapterInfo> adapters = driver.listAdapters();
    for (const AdapterInfo& a : adapters) {
        EXPECT_TRUE(isGuidName(a.name));
    }
    if (!underWine()) {
        GTEST_SKIP() << "the rest holds for Wine's adapters only";
    }
    ASSERT_FALSE(adapters.empty()); // Wine reports its network adapters as Ethernet
    std::vector<AccessPointRecord> out;
    for (const AdapterInfo& a : adapters) {
        EXPECT_EQ(driver.signalOfAdapter(a.name), 0);
        // Depending on the Wine version the device opens or not; it never answers.
        driver.open(a.name);
        EXPECT_EQ(driver.listQuery(out), QueryStatus::Failed);
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(driver.associatedBssid(), std::nullopt);
        driver.requestScan();
    }
    EXPECT_EQ(driver.findWirelessAdapter(), std::nullopt);
    driver.close();
    EXPECT_FALSE(driver.isOpen());
    EXPECT_EQ(driver.listQuery(out), QueryStatus::Failed);
}

TEST(NdisDriver, ANameOutsideBracesIsOpenedAsAPath) {
    NdisDriver driver;
    EXPECT_FALSE(driver.open(L"C:\\no-such-folder\\no-such-device"));
    // A name that is a path opens as that path: here an ordinary file does.
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = std::wstring(folder) + L"nearbeam-ndis-open.tmp";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(driver.open(path));
    // Not a network driver: every query fails and nothing is reported.
    std::vector<AccessPointRecord> out;
    EXPECT_EQ(driver.listQuery(out), QueryStatus::Failed);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(driver.associatedBssid(), std::nullopt);
    driver.close();
    DeleteFileW(path.c_str());
}

TEST(SystemDevice, WithoutWiFiTheDeviceReportsNoAdapter) {
    if (!underWine()) {
        GTEST_SKIP() << "this machine may have a Wi-Fi adapter";
    }
    MemorySettingsStore store;
    WirelessDevice device(store, makeSystemWirelessDrivers());
    EXPECT_EQ(device.state(), DeviceState::NoAdapter);
    EXPECT_TRUE(device.automatic());
    EXPECT_EQ(device.deviceName(), L"");
    int calls = 0;
    EXPECT_FALSE(device.listQuery([&](const AccessPointRecord&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(device.associatedBssid(), std::nullopt);
    device.requestScan();
    EXPECT_EQ(device.calibration().rssiMin(), 0);

    // The Options list still offers the Ethernet adapters, each once.
    const std::vector<AdapterInfo> adapters = device.listAdapters();
    ASSERT_FALSE(adapters.empty());
    for (size_t i = 0; i < adapters.size(); ++i) {
        for (size_t j = i + 1; j < adapters.size(); ++j) {
            EXPECT_NE(adapters[i].name, adapters[j].name);
        }
    }
    // Choosing one of them by hand: it is kept in the settings; the adapter may
    // open, but it does not answer, and the device says so.
    device.setDevice(adapters[0].name);
    EXPECT_EQ(settings::read(store, settings::Device), adapters[0].name);
    EXPECT_FALSE(device.automatic());
    EXPECT_EQ(device.deviceName(), adapters[0].name);
    EXPECT_FALSE(device.listQuery([&](const AccessPointRecord&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(device.state(), DeviceState::NoAdapter);
}

} // namespace
} // namespace nearbeam
