#pragma once
// The adapter reached through the NDIS 802.11 query interface: CreateFileW on the
// adapter's device and DeviceIoControl with IOCTL_NDIS_QUERY_GLOBAL_STATS; the
// adapters come from GetAdaptersInfo (Ethernet type).

#include "wireless/wireless_driver.h"

#include <windows.h>

namespace nearbeam {

class NdisDriver : public WirelessDriver {
  public:
    NdisDriver() = default;
    ~NdisDriver() override;
    NdisDriver(const NdisDriver&) = delete;
    NdisDriver& operator=(const NdisDriver&) = delete;

    std::vector<AdapterInfo> listAdapters() override;
    int32_t signalOfAdapter(const std::wstring& name) override;
    bool open(const std::wstring& name) override;
    void close() override;
    bool isOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    void requestScan() override;
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override;
    std::optional<Bssid> associatedBssid() override;

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace nearbeam
