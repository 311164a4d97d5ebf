#pragma once
// The program's one handle on the Wi-Fi adapter: chooses the adapter (the Device
// setting, or an automatic choice), opens it through the first driver that knows
// it, and keeps the signal calibration up to date on every list query.

#include "base/settings_store.h"
#include "wireless/calibration.h"
#include "wireless/wireless_driver.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

// Follows the last open and the last list query.
enum class DeviceState {
    Ok,
    NoAdapter,         // nothing could be opened, or the adapter did not answer the list query
    PermissionRefused, // the adapter is there but the system refuses its list
};

class WirelessDevice {
  public:
    using RecordCallback = std::function<void(const AccessPointRecord&)>;

    // drivers in order of preference (WLAN API, then NDIS; or the simulated one). A
    // named adapter opens through the first driver that lists it (names compare
    // without regard to case), else through the last driver. Opens the adapter and
    // loads the calibration.
    WirelessDevice(SettingsStore& store, std::vector<std::unique_ptr<WirelessDriver>> drivers);
    WirelessDevice(const WirelessDevice&) = delete;
    WirelessDevice& operator=(const WirelessDevice&) = delete;

    // Reads the Device setting (empty: automatic choice, not written back) and opens it.
    void open();
    // Writes the Device setting (empty: automatic again) and opens it.
    void setDevice(const std::wstring& name);

    void requestScan();
    // Widens the calibration by each record, then calls onRecord with it, for every
    // record whatever its mode. True when the driver answered.
    bool listQuery(const RecordCallback& onRecord);
    std::optional<Bssid> associatedBssid();
    // 0 when no driver can query the adapter.
    int32_t signalOfAdapter(const std::wstring& name);
    // The adapters of every driver, each name once, in driver order.
    std::vector<AdapterInfo> listAdapters();
    // The automatic choice: the first driver's pick, in driver order.
    std::optional<std::wstring> findWirelessAdapter();

    const std::wstring& deviceName() const { return name_; }
    bool automatic() const { return automatic_; }
    DeviceState state() const { return state_; }

    Calibration& calibration() { return calibration_; }
    const Calibration& calibration() const { return calibration_; }

  private:
    struct Pick {
        WirelessDriver* driver;
        std::wstring name;
    };
    // The automatic choice with the driver that made it.
    std::optional<Pick> pickAdapter();

    SettingsStore& store_;
    std::vector<std::unique_ptr<WirelessDriver>> drivers_;
    WirelessDriver* active_ = nullptr;
    std::wstring name_;
    bool automatic_ = true;
    DeviceState state_ = DeviceState::NoAdapter;
    Calibration calibration_;
};

} // namespace nearbeam
