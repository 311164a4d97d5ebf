#pragma once
// The real adapter drivers of Windows in the device's order of preference: the
// WLAN API, then NDIS.

#include "wireless/wireless_driver.h"

#include <memory>
#include <vector>

namespace nearbeam {

std::vector<std::unique_ptr<WirelessDriver>> makeSystemWirelessDrivers();

} // namespace nearbeam
