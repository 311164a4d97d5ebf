#pragma once
// The adapter reached through NetworkManager over D-Bus (the system bus). Its
// Wi-Fi devices are the adapters, named by their interface ("wlan0"); the scan is
// the device's list of every access point, hidden networks included.

#include "base/clock.h"
#include "wireless/wireless_driver.h"

#include <QDBusConnection>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace nearbeam {

// NetworkManager gives a signal as a percentage: 2 * (dBm + 100), cut to 0..100.
// The dBm it came from, so calibration and the Scanner see what other drivers give.
int32_t dbmFromStrength(uint8_t strength);

// "AA:BB:CC:DD:EE:FF" as a BSSID; none when it is not six hexadecimal pairs.
std::optional<Bssid> bssidFromHwAddress(const QString& text);

// Why no access point can be seen through this bus, for the user: no system bus,
// NetworkManager not running, or no Wi-Fi device; empty when there is a device.
std::string networkManagerProblem(QDBusConnection bus);

class NetworkManagerDriver : public WirelessDriver {
  public:
    // Access points not seen in this many seconds before the newest are left out.
    static constexpr int32_t kMaximumAgeSeconds = 120;
    // Scans asked for more often are not passed on (the Scanner may ask every second).
    static constexpr uint32_t kActiveScanMs = 60000;

    NetworkManagerDriver(QDBusConnection bus, const Clock& clock);

    std::vector<AdapterInfo> listAdapters() override;
    // The first Wi-Fi device, connected or not.
    std::optional<std::wstring> findWirelessAdapter() override;
    // The signal of the device's current access point; 0 when not connected.
    int32_t signalOfAdapter(const std::wstring& name) override;
    bool open(const std::wstring& name) override;
    void close() override { device_.clear(); }
    bool isOpen() const override { return !device_.isEmpty(); }
    // Asks NetworkManager to scan, at most once in kActiveScanMs, without waiting
    // for it: a refusal (too soon after its last scan, or not allowed) leaves the
    // cached list, which is fine.
    void requestScan() override;
    QueryStatus listQuery(std::vector<AccessPointRecord>& out) override;
    std::optional<Bssid> associatedBssid() override;

  private:
    // The object path of the Wi-Fi device with that interface name; empty if none.
    QString findDevice(const std::wstring& name);
    std::optional<Bssid> activeBssid(const QString& device, int32_t* dbm);

    QDBusConnection bus_;
    const Clock& clock_;
    QString device_; // object path of the open device
    std::optional<uint32_t> lastScan_;
};

} // namespace nearbeam
