#include "ui/options_model.h"

#include "base/text.h"
#include "base/text_compare.h"

namespace nearbeam {
namespace {

std::wstring placeText(const wchar_t* kind, RecordTable& table, uint32_t id) {
    if (NamedRecord* record = table.findById(id))
        return std::wstring(kind) + L": " + widen(record->name);
    return std::wstring(kind) + L": Unknown (" + std::to_wstring(id) + L")";
}

} // namespace

std::wstring subscriptionWhere(const Subscription& subscription, LocationDatabase& database) {
    switch (subscription.level) {
    case service_level::Everywhere:
        return L"Everywhere";
    case service_level::Area:
        return placeText(L"Area", database.areas(), subscription.scopeId);
    case service_level::Building:
        return placeText(L"Building", database.buildings(), subscription.scopeId);
    default:
        return L"Unknown";
    }
}

std::vector<SubscriptionRow> subscriptionRows(const SubscriptionList& list,
                                              LocationDatabase& database) {
    std::vector<SubscriptionRow> rows;
    for (const Subscription& subscription : list.entries()) {
        rows.push_back({widen(subscription.key), subscriptionWhere(subscription, database),
                        widen(subscription.url)});
    }
    return rows;
}

std::vector<std::wstring> adapterItems(const std::vector<AdapterInfo>& adapters) {
    std::vector<std::wstring> items{kAutoSelect};
    for (const AdapterInfo& adapter : adapters)
        items.push_back(adapter.name);
    return items;
}

int initialAdapterItem(const std::vector<std::wstring>& items, bool automatic,
                       const std::wstring& deviceName) {
    if (automatic)
        return 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (equalsNoCase(std::wstring_view(items[i]).substr(0, deviceName.size()), deviceName))
            return i > 0 ? static_cast<int>(i) : -1;
    }
    return -1;
}

std::optional<std::wstring> adapterChoice(const std::vector<std::wstring>& items, int selected,
                                          const std::wstring& typed) {
    if (selected < 0) {
        for (size_t i = 0; i < items.size() && selected < 0; ++i) {
            if (equalsNoCase(items[i], typed))
                selected = static_cast<int>(i);
        }
    }
    if (selected < 0 || static_cast<size_t>(selected) >= items.size())
        return std::nullopt;
    if (selected == 0)
        return std::wstring();
    if (items[selected].size() > kMaxAdapterChars)
        return std::nullopt;
    return items[selected];
}

bool clearDataCache(LocationDatabase& database, const std::function<bool()>& confirm) {
    if (database.uploadNeeded && !(confirm && confirm()))
        return false;
    database.clearCache();
    database.setUploadNeeded(false);
    return true;
}

} // namespace nearbeam
