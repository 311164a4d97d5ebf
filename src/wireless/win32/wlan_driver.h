#pragma once
// The adapter reached through the Native Wi-Fi (WLAN) API, which answers on
// Windows versions whose adapters no longer take the NDIS 802.11 queries from
// programs. Adapter names are interface GUIDs in braces, the form the Device
// setting stores.

#include "wireless/wireless_driver.h"

#include <windows.h>

#include <wlanapi.h>

namespace nearbeam {

// One BSS entry as a record.
AccessPointRecord recordFromBssEntry(const WLAN_BSS_ENTRY& entry);
// The entries of a BSS list, no more than its total size holds.
void recordsFromBssList(const WLAN_BSS_LIST& list, std::vector<AccessPointRecord>& out);

class WlanDriver : public WirelessDriver {
  public:
    WlanDriver() = default;
    ~WlanDriver() override;
    WlanDriver(const WlanDriver&) = delete;
    WlanDriver& operator=(const WlanDriver&) = delete;

    std::vector<AdapterInfo> listAdapters() override;
    // The first interface, when there is one.
    std::optional<std::wstring> findWirelessAdapter() override;
    int32_t signalOfAdapter(const std::wstring& name) override;
    bool open(const std::wstring& name) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void requestScan() override;
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override;
    std::optional<Bssid> associatedBssid() override;

  private:
    bool ensureClient();
    // The interface of that name, when the WLAN API has it.
    std::optional<GUID> findInterface(const std::wstring& name);

    HANDLE client_ = nullptr;
    GUID interface_{};
    bool open_ = false;
};

} // namespace nearbeam
