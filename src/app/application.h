#pragma once
// The application object: owner of the location machinery. Every tick it ages and
// refills its scan table from the adapter and asks the Locator where the user is
// (the strongest access point's record, weighed against every known access point
// in range and the survey scans); the outcome becomes the status text,
// the tray icon and, when the place is definite and the signal good, an alert.
// When the place changes it rebuilds the location texts and tells the
// subscription list.

#include "app/notifier.h"
#include "app/status.h"
#include "app/tick.h"
#include "app/trace.h"
#include "base/settings_store.h"
#include "locate/location_database.h"
#include "locate/locator.h"
#include "survey/survey_scan.h"
#include "ui/survey_model.h"
#include "wireless/manufacturers.h"
#include "wireless/scan_table.h"
#include "wireless/wireless_device.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

// What the application stands on; made by the program entry (or a test).
struct ApplicationParts {
    ApplicationParts(SettingsStore& settings, LocationDatabase& database, WirelessDevice& device,
                     ScanSettings& scanSettings, const Clock& clock, Notifier& notifier)
        : settings(settings), database(database), device(device), scanSettings(scanSettings),
          clock(clock), notifier(notifier) {}

    SettingsStore& settings;
    LocationDatabase& database;
    WirelessDevice& device;
    ScanSettings& scanSettings; // shared with every scan table of the program
    const Clock& clock;
    Notifier& notifier;
    // The subscription list's locationChanged; empty: nobody to tell.
    std::function<void(LocationRecord& place)> locationChanged;
    // Opens the "Where Am I?" page for a BSSID key; empty: nothing to open yet.
    std::function<void(const std::wstring& bssidKey)> openLocationPage;
    // The diagnosis trace; none: no trace.
    TraceWriter* trace = nullptr;
    // The data files' folder, with its separator; empty: "data" beside the program.
    std::string dataFolder;
};

class Application {
  public:
    static constexpr int32_t kScanTableCapacity = 24;
    static constexpr int32_t kMaximumAgeSeconds = 120;
    static constexpr int32_t kActiveScanSeconds = 60;
    static constexpr int32_t kSmoothingWeight = 2;
    static constexpr size_t kMaxPlaceChars = 40; // longer "You are at" texts show the place alone

    // programPath: the program file's full path. Without a folder in it the user
    // is told "Problem getting path." and the object stays unusable. Otherwise
    // the database is opened on the parts' data folder (by default "data" beside
    // the program). manufacturers.dat is read from the program's folder.
    Application(ApplicationParts parts, const std::wstring& programPath);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    bool usable() const { return usable_; }

    // One timer tick: refresh, computeStatus, the trace line, and the tooltip and
    // alert update.
    void tick();

    // One scan cycle.
    void refresh();
    // The status text of the strongest access point; status and goodSignal
    // (quality 70 or more) when asked for.
    std::wstring computeStatus(LookupStatus* status = nullptr, bool* goodSignal = nullptr);
    // Changes icon and tooltip when the text changed, and alerts on a definite
    // place with a good signal when alerts are on.
    void updateTray(const std::wstring& text, LookupStatus status, bool goodSignal);
    // The location page of the access point that names the place (the strongest
    // when none is known), or a scan request when there is none.
    void showWhereAmI();
    // The records of a place were edited (the set-location wizard saved): the
    // location texts are built again and the tray shows them now.
    void placeEdited();
    // The map server's answer arrived: the status shows it now, not a tick later.
    void showStatusNow();
    // What the latest scan heard, kept as a survey scan of the place (status 3)
    // in scans.txt: each of the Survey window's scans.
    TakenScan keepScan(const PlaceKey& place, std::time_t now = std::time(nullptr));
    // The place last decided while something is in range; none otherwise.
    std::optional<PlaceKey> currentPlace() const {
        if (!strongest_ || lastReportedPlace_.buildingId == 0)
            return std::nullopt;
        return lastReportedPlace_;
    }
    // How many ticks have run: tells one tick from the next.
    uint64_t ticks() const { return ticks_; }
    // What the latest scan heard, as a survey scan keeps it (latestScanReadings).
    std::vector<ScanReading> heardNow();
    // The place the status shows now (its record, or the one made for a place
    // only the scans name, valid until the next tick); none when it shows none.
    LocationRecord* shownPlace() const;

    LookupStatus lastStatus() const { return lastStatus_; }
    const std::wstring& statusText() const { return statusText_; }
    const std::wstring& longLocationText() const { return longText_; }
    const std::wstring& shortLocationText() const { return shortText_; }
    bool seenBefore() const { return seenBefore_; }
    const std::string& dataFolder() const { return dataFolder_; }
    const std::wstring& programFolder() const { return programFolder_; }
    ScanTable& scanTable() { return table_; }
    ManufacturerTable& manufacturers() { return manufacturers_; }

  private:
    // A new place rebuilds the location texts and is told to the subscription list.
    void report(const Locator::Location& located);
    void refreshScans();

    ApplicationParts parts_;
    bool usable_ = false;
    std::wstring programFolder_; // with its trailing separator
    std::string dataFolder_;     // 8-bit, with its trailing separator
    ManufacturerTable manufacturers_;
    ScanTable table_;
    std::optional<Bssid> strongest_;
    std::optional<Bssid> placeAccessPoint_; // the access point that names the place
    Locator locator_;
    LocationRecord* shownPlace_ = nullptr;
    bool alertDue_ = false; // the text changed since the last alert
    PlaceKey lastReportedPlace_;
    int32_t activeScanCountdown_ = kActiveScanSeconds;
    uint64_t ticks_ = 0;

    LookupStatus lastStatus_ = 0;
    std::wstring statusText_;
    std::string howSure_; // the trace's field when two floors were close, else empty
    std::wstring previousTooltip_;
    std::wstring shownTooltip_; // with the private-mode mark
    std::wstring longText_;
    std::wstring shortText_;
    bool seenBefore_ = false;
    // The place the texts were last built for. Compared, never followed: the
    // record may be gone after the cache was cleared.
    const LocationRecord* lastReported_ = nullptr;
    BssidKey lastReportedKey_;
    // The place is new to the services; in private mode it waits until the mode ends.
    bool shareDue_ = false;
};

} // namespace nearbeam
