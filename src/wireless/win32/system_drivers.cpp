#include "wireless/win32/system_drivers.h"

#include "wireless/win32/ndis_driver.h"
#include "wireless/win32/wlan_driver.h"

namespace nearbeam {

std::vector<std::unique_ptr<WirelessDriver>> makeSystemWirelessDrivers() {
    std::vector<std::unique_ptr<WirelessDriver>> drivers;
    drivers.push_back(std::make_unique<WlanDriver>());
    // Last: the device opens a name no driver lists through NDIS, as a device path.
    drivers.push_back(std::make_unique<NdisDriver>());
    return drivers;
}

} // namespace nearbeam
