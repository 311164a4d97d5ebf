#pragma once
// What the Scanner window shows, without the window: its own table of the access
// points in range (longer-lived than the location cycle's), refreshed from the
// adapter at the window's own interval, each entry labelled with its place or
// its address and the progress of its lookup, and the page built from them.

#include "locate/location_database.h"
#include "ui/scanner_rows.h"
#include "wireless/manufacturers.h"
#include "wireless/scan_table.h"
#include "wireless/wireless_device.h"

#include "base/settings_store.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace nearbeam {

// What the Scanner reads; made by the program entry (or a test).
struct ScannerParts {
    ScannerParts(WirelessDevice& device, LocationDatabase& database,
                 ManufacturerTable& manufacturers, ScanSettings& scanSettings)
        : device(device), database(database), manufacturers(manufacturers),
          scanSettings(scanSettings) {}

    WirelessDevice& device;
    LocationDatabase& database;
    ManufacturerTable& manufacturers;
    ScanSettings& scanSettings; // shared with the program's other scan table
};

// What the Scanner window uses and what it opens; made by the program entry.
struct ScannerContext {
    ScannerContext(ScannerParts parts, SettingsStore& settings)
        : parts(parts), settings(settings) {}

    ScannerParts parts;
    SettingsStore& settings;
    // The "Where Am I?" page for a BSSID key (a row's link). Empty: nothing opens.
    std::function<void(const std::wstring& bssid)> showPage;
    // "Advanced...": the Options dialog. Empty: nothing.
    std::function<void()> options;
    // "Upload...": the upload dialog. Empty: nothing.
    std::function<void()> upload;
};

class ScannerModel {
  public:
    static constexpr int32_t kCompactCapacity = 20;
    static constexpr int32_t kFullCapacity = 7;
    static constexpr int32_t kMaximumAgeSeconds = 1200;

    ScannerModel(ScannerParts parts, bool compact);

    // A new empty table with the capacity of the view.
    void resetTable(bool compact);
    void clear() { table_->clear(); }

    // One refresh: ages the table by the interval (whole seconds), follows the
    // associated access point, asks for a scan when active, enters every access
    // point in range and lets the others decay.
    void refresh(int32_t intervalMs, bool activeScan, const ScannerView& view);

    // The page of the table's entries, in table order.
    std::string page(const std::string& baseFolder, const ScannerView& view);

    ScanTable& table() { return *table_; }

  private:
    void updateRow(const AccessPointRecord& record, const ScannerView& view);
    // The place of a known access point; for one being asked of the server the
    // address with the request's progress (pending set); empty otherwise.
    std::string lookUpLabel(const BssidKey& key, const std::string& spaced, bool& pending);

    ScannerParts parts_;
    std::unique_ptr<ScanTable> table_;
    std::optional<Bssid> associated_;
};

// The timer's interval for the remembered one: at least a second, since a
// shorter one (edited by hand) would make the timer spin and keep the list from
// ever ageing.
int32_t refreshIntervalMs(int32_t remembered);

// A row's link, "wifi://" and the access point's BSSID key, gives the key; an
// empty key for a mobile device (it has none); none for any other link.
std::optional<std::string> rowLinkKey(const std::string& link);

// What a click on a mobile device's row says.
inline constexpr const wchar_t* kMobileDeviceText =
    L"This is a mobile device, so you can't give it a location.";

// The label of an access point the database does not place: the spaced address
// and the lookup's progress, or empty when the lookup has no progress to show.
std::string unplacedLabel(const std::string& spaced, int32_t lookupStatus);

} // namespace nearbeam
