#pragma once
// The Options dialog: the subscriptions with Delete, location
// alerts, the wireless adapter, recalibration and clearing the data cache.

#include "base/settings_store.h"
#include "locate/location_database.h"
#include "services/subscription_list.h"
#include "wireless/wireless_device.h"

#include <windows.h>

#include <functional>

namespace nearbeam {

struct OptionsContext {
    SettingsStore& settings;
    LocationDatabase& database;
    WirelessDevice& device;
    SubscriptionList& subscriptions;
    // "Sharing history...": shows the log of what was sent to services.
    std::function<void()> sharingHistory{};
    HWND open = nullptr; // the dialog while it is open
};

// Runs the dialog modally over owner and returns when OK closed it. While one is
// open, it is brought forward instead.
void openOptionsDialog(HINSTANCE instance, HWND owner, OptionsContext& context);

} // namespace nearbeam
