#pragma once
// What the Options dialog shows and decides, without the dialog: the rows of the
// subscription list, the adapter list and the adapter the user chose, and the
// clearing of the data cache.

#include "locate/location_database.h"
#include "services/subscription_list.h"
#include "wireless/wireless_driver.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

struct SubscriptionRow {
    std::wstring key;   // the hidden "ID" column: what Delete removes
    std::wstring where; // "Everywhere", "Area: North", "Building: Unknown (17)" ...
    std::wstring url;
};

// The "Where" text of a subscription; areas and buildings are looked up by
// identifier.
std::wstring subscriptionWhere(const Subscription& subscription, LocationDatabase& database);
std::vector<SubscriptionRow> subscriptionRows(const SubscriptionList& list,
                                              LocationDatabase& database);

inline constexpr const wchar_t* kAutoSelect = L"<Auto-select>";
// Adapter names of 260 characters or more are never chosen.
inline constexpr size_t kMaxAdapterChars = 259;

// "<Auto-select>", then each adapter's name in the device's order.
std::vector<std::wstring> adapterItems(const std::vector<AdapterInfo>& adapters);
// The item shown at first: 0 in automatic mode; otherwise the first item after
// "<Auto-select>" that begins with the device's name (either case); -1 for none.
int initialAdapterItem(const std::vector<std::wstring>& items, bool automatic,
                       const std::wstring& deviceName);
// The name to give the device on OK: empty for "<Auto-select>", an item's text,
// or none to keep the current adapter. selected is the list's selection (-1 for
// none); with none, a typed text counts when it names an item (either case).
std::optional<std::wstring> adapterChoice(const std::vector<std::wstring>& items, int selected,
                                          const std::wstring& typed);

inline constexpr const wchar_t* kClearCacheQuestion =
    L"There is data waiting to be uploaded. If you clear the cache now, it will be "
    L"lost.\n\nAre you sure you want to clear the cache?";

// Clears the cache and the upload-needed flag. While an upload is pending it
// asks first (confirm returns true for OK) and does nothing when declined.
// True when the cache was cleared.
bool clearDataCache(LocationDatabase& database, const std::function<bool()>& confirm);

} // namespace nearbeam
