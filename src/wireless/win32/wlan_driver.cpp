#include "wireless/win32/wlan_driver.h"

#include "wireless/wlan_mapping.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>

namespace nearbeam {

namespace {

constexpr DWORD kClientVersion = 2; // Windows Vista and later

std::wstring guidText(const GUID& guid) {
    wchar_t text[64] = {};
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, the form GetAdaptersInfo names adapters by.
    std::swprintf(text, 64, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

// Frees WLAN API memory when it goes out of scope.
template <typename T> struct WlanMemory {
    T* p = nullptr;
    ~WlanMemory() {
        if (p != nullptr) {
            WlanFreeMemory(p);
        }
    }
};

} // namespace

AccessPointRecord recordFromBssEntry(const WLAN_BSS_ENTRY& entry) {
    wlan::BssFields fields;
    for (size_t i = 0; i < fields.bssid.size(); ++i) {
        fields.bssid[i] = entry.dot11Bssid[i];
    }
    fields.ssidLength = entry.dot11Ssid.uSSIDLength;
    fields.ssid = entry.dot11Ssid.ucSSID;
    fields.bssType = static_cast<uint32_t>(entry.dot11BssType);
    fields.rssi = entry.lRssi;
    fields.centerFrequencyKhz = entry.ulChCenterFrequency;
    fields.capability = entry.usCapabilityInformation;
    return wlan::toRecord(fields);
}

void recordsFromBssList(const WLAN_BSS_LIST& list, std::vector<AccessPointRecord>& out) {
    out.clear();
    const size_t header = offsetof(WLAN_BSS_LIST, wlanBssEntries);
    const size_t fit =
        list.dwTotalSize > header ? (list.dwTotalSize - header) / sizeof(WLAN_BSS_ENTRY) : 0;
    const size_t count = std::min<size_t>(list.dwNumberOfItems, fit);
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        out.push_back(recordFromBssEntry(list.wlanBssEntries[i]));
    }
}

WlanDriver::~WlanDriver() {
    if (client_ != nullptr) {
        WlanCloseHandle(client_, nullptr);
    }
}

bool WlanDriver::ensureClient() {
    if (client_ != nullptr) {
        return true;
    }
    DWORD negotiated = 0;
    HANDLE client = nullptr;
    if (WlanOpenHandle(kClientVersion, nullptr, &negotiated, &client) != ERROR_SUCCESS) {
        return false;
    }
    client_ = client;
    return true;
}

std::vector<AdapterInfo> WlanDriver::listAdapters() {
    std::vector<AdapterInfo> adapters;
    if (!ensureClient()) {
        return adapters;
    }
    WlanMemory<WLAN_INTERFACE_INFO_LIST> list;
    if (WlanEnumInterfaces(client_, nullptr, &list.p) != ERROR_SUCCESS || list.p == nullptr) {
        return adapters;
    }
    for (DWORD i = 0; i < list.p->dwNumberOfItems; ++i) {
        const WLAN_INTERFACE_INFO& info = list.p->InterfaceInfo[i];
        const wchar_t* description = info.strInterfaceDescription;
        adapters.push_back(
            {guidText(info.InterfaceGuid), std::wstring(description, wcsnlen(description, 256))});
    }
    return adapters;
}

std::optional<std::wstring> WlanDriver::findWirelessAdapter() {
    std::vector<AdapterInfo> adapters = listAdapters();
    if (adapters.empty()) {
        return std::nullopt;
    }
    return adapters.front().name;
}

std::optional<GUID> WlanDriver::findInterface(const std::wstring& name) {
    if (!ensureClient()) {
        return std::nullopt;
    }
    WlanMemory<WLAN_INTERFACE_INFO_LIST> list;
    if (WlanEnumInterfaces(client_, nullptr, &list.p) != ERROR_SUCCESS || list.p == nullptr) {
        return std::nullopt;
    }
    for (DWORD i = 0; i < list.p->dwNumberOfItems; ++i) {
        const GUID& guid = list.p->InterfaceInfo[i].InterfaceGuid;
        // Names compare without regard to case: a hand-edited setting may use lower case.
        if (_wcsicmp(guidText(guid).c_str(), name.c_str()) == 0) {
            return guid;
        }
    }
    return std::nullopt;
}

int32_t WlanDriver::signalOfAdapter(const std::wstring& name) {
    const std::optional<GUID> guid = findInterface(name);
    if (!guid) {
        return 0;
    }
    DWORD size = 0;
    WlanMemory<LONG> rssi;
    if (WlanQueryInterface(client_, &*guid, wlan_intf_opcode_rssi, nullptr, &size,
                           reinterpret_cast<void**>(&rssi.p), nullptr) != ERROR_SUCCESS ||
        rssi.p == nullptr || size < sizeof(LONG)) {
        return 0;
    }
    return *rssi.p;
}

bool WlanDriver::open(const std::wstring& name) {
    close();
    if (const std::optional<GUID> guid = findInterface(name)) {
        interface_ = *guid;
        open_ = true;
    }
    return open_;
}

void WlanDriver::close() {
    open_ = false;
}

void WlanDriver::requestScan() {
    if (open_) {
        WlanScan(client_, &interface_, nullptr, nullptr, nullptr);
    }
}

QueryStatus WlanDriver::listQuery(std::vector<AccessPointRecord>& out) {
    out.clear();
    if (!open_) {
        return QueryStatus::Failed;
    }
    WlanMemory<WLAN_BSS_LIST> list;
    const DWORD rc = WlanGetNetworkBssList(client_, &interface_, nullptr, dot11_BSS_type_any, FALSE,
                                           nullptr, &list.p);
    if (rc == ERROR_ACCESS_DENIED) {
        return QueryStatus::AccessDenied;
    }
    if (rc != ERROR_SUCCESS || list.p == nullptr) {
        return QueryStatus::Failed;
    }
    recordsFromBssList(*list.p, out);
    return QueryStatus::Ok;
}

std::optional<Bssid> WlanDriver::associatedBssid() {
    if (!open_) {
        return std::nullopt;
    }
    DWORD size = 0;
    WlanMemory<WLAN_CONNECTION_ATTRIBUTES> connection;
    if (WlanQueryInterface(client_, &interface_, wlan_intf_opcode_current_connection, nullptr,
                           &size, reinterpret_cast<void**>(&connection.p),
                           nullptr) != ERROR_SUCCESS ||
        connection.p == nullptr || size < sizeof(WLAN_CONNECTION_ATTRIBUTES) ||
        connection.p->isState != wlan_interface_state_connected) {
        return std::nullopt;
    }
    Bssid bssid{};
    for (size_t i = 0; i < bssid.size(); ++i) {
        bssid[i] = connection.p->wlanAssociationAttributes.dot11Bssid[i];
    }
    return bssid;
}

} // namespace nearbeam
