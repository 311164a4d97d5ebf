#include "wireless/wireless_driver.h"

namespace nearbeam {

std::optional<std::wstring> WirelessDriver::findWirelessAdapter() {
    for (const AdapterInfo& adapter : listAdapters()) {
        // A wired adapter does not answer the signal query: 0 means "not wireless".
        if (signalOfAdapter(adapter.name) != 0) {
            return adapter.name;
        }
    }
    return std::nullopt;
}

} // namespace nearbeam
