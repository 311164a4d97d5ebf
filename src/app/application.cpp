#include "app/application.h"

#include "base/file_ops.h"
#include "base/path_parts.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "resource.h"
#include "ui/heard_now.h"
#include "ui/keep_scan.h"
#include "wireless/calibration.h"
#include "wireless/opt_out.h"

#include <algorithm>

namespace nearbeam {

namespace {

std::wstring bounded(std::wstring text) {
    if (text.size() > kTextCapacity - 1)
        text.resize(kTextCapacity - 1);
    return text;
}

// The scans are compared by as many readings as the scan table holds.
DecisionSettings decisionSettings() {
    DecisionSettings settings;
    settings.comparedReadings = Application::kScanTableCapacity;
    return settings;
}

} // namespace

Application::Application(ApplicationParts parts, const std::wstring& programPath)
    : parts_(std::move(parts)), programFolder_(folderOf(programPath)),
      // Beside the program, not in the data folder.
      manufacturers_(narrow(programFolder_ + L"manufacturers.dat"), parts_.clock),
      table_(kScanTableCapacity, parts_.scanSettings),
      locator_(parts_.database, decisionSettings()) {
    if (programFolder_.empty()) {
        parts_.notifier.showMessage(L"Problem getting path.", L"Internal Error");
        return;
    }
    dataFolder_ = parts_.dataFolder.empty()
                      ? narrow(programFolder_ + L"data" + programFolder_.back())
                      : parts_.dataFolder;
    // A missing data folder would make every write of the session fail unseen.
    makeFolder(dataFolder_.substr(0, dataFolder_.size() - 1));
    parts_.database.openDatabase(dataFolder_);
    table_.setMaximumAge(kMaximumAgeSeconds);
    parts_.scanSettings.smoothingWeight = kSmoothingWeight;
    parts_.scanSettings.decayFloor = parts_.device.calibration().rssiMin();
    usable_ = true;
}

void Application::tick() {
    if (!usable_)
        return;
    ++ticks_;
    refresh();
    LookupStatus status = 0;
    bool good = false;
    const std::wstring text = computeStatus(&status, &good);
    if (parts_.trace)
        parts_.trace->tick(status, text, howSure_);
    updateTray(text, status, good);
}

void Application::refresh() {
    if (!usable_)
        return;
    refreshScans();
    lastStatus_ = 0;
    table_.advance(kTickSeconds);
    activeScanCountdown_ -= kTickSeconds;
    if (activeScanCountdown_ <= 0) {
        activeScanCountdown_ = kActiveScanSeconds;
        parts_.device.requestScan();
    }
    parts_.device.listQuery([this](const AccessPointRecord& record) {
        // Ad-hoc and automatic-mode stations are no landmark.
        if (!record.isInfrastructure())
            return;
        if (asksNotToBeMapped(record.ssid))
            parts_.database.optedOut().add(BssidKey::fromBytes(record.bssid.data()));
        table_.addOrUpdate(record.bssid, record.rssi);
    });
    // The floor follows the calibration as it widens: on a fresh profile RssiMin
    // starts at 0, and a floor of 0 would make vanished access points grow stronger.
    parts_.scanSettings.decayFloor = parts_.device.calibration().rssiMin();
    table_.decayUnseen();
}

std::wstring Application::computeStatus(LookupStatus* statusOut, bool* goodSignal) {
    AccessPointEntry* best = usable_ ? table_.best() : nullptr;
    int32_t quality = 0;
    LookupStatus status;
    std::wstring argument;
    if (best) {
        strongest_ = best->bssid();
        const Locator::Location located = locator_.locate(table_, *best);
        placeAccessPoint_ = located.accessPoint;
        quality = signalQuality(located.signal, parts_.device.calibration());
        if (located.qualityCap)
            quality = std::min(quality, *located.qualityCap);
        status = located.status;
        report(located);
        howSure_ = status == status::kFound && located.floorsClose ? closeFloorsText(located)
                                                                   : std::string();
        argument = longText_;
    } else {
        strongest_.reset();
        placeAccessPoint_.reset();
        howSure_.clear();
        if (parts_.device.state() == DeviceState::PermissionRefused) {
            status = status::kDeviceRefused;
        } else if (seenBefore_) {
            status = status::kLastSeen;
            argument = shortText_;
        } else {
            status = status::kLost;
        }
    }
    std::wstring text = formatStatusText(stringText(statusStringId(status, quality)), argument);
    if (status == status::kFound) {
        seenBefore_ = true;
        if (text.size() > kMaxPlaceChars)
            text = longText_;
    }
    statusText_ = text;
    lastStatus_ = status;
    if (statusOut)
        *statusOut = status;
    if (goodSignal)
        *goodSignal = quality >= kGoodSignalQuality;
    return text;
}

void Application::report(const Locator::Location& located) {
    LocationRecord* place = located.record;
    const BssidKey key = BssidKey::fromBytes(located.accessPoint.data());
    bool changed = false;
    if (place && key != lastReportedKey_)
        changed = true;
    else if (place && located.made)
        changed = lastReported_ || placeOf(*place) != lastReportedPlace_;
    else if (place)
        changed = place != lastReported_;
    if (changed) {
        const std::string building = place->building ? place->building->name : std::string();
        const std::string floor = place->floorText();
        std::string text = building;
        if (!place->location.empty())
            text += ", " + place->location;
        if (!floor.empty())
            text += " (" + floor + ")";
        longText_ = bounded(widen(text));
        shortText_ = bounded(widen(building));
        // A made record lasts one tick: only its place is kept to compare.
        lastReported_ = located.made ? nullptr : place;
        lastReportedPlace_ = placeOf(*place);
        lastReportedKey_ = key;
        shareDue_ = true;
    }
    shownPlace_ = place;
    if (place && shareDue_ && !settings::privateMode(parts_.settings)) {
        shareDue_ = false;
        if (parts_.locationChanged)
            parts_.locationChanged(*place);
    }
}

void Application::refreshScans() {
    const std::string message = parts_.database.refreshScans();
    if (!message.empty() && parts_.trace)
        parts_.trace->note(message);
}

void Application::updateTray(const std::wstring& text, LookupStatus status, bool goodSignal) {
    const std::wstring tooltip =
        settings::privateMode(parts_.settings) ? text + L" (private)" : text;
    if (tooltip != shownTooltip_) {
        shownTooltip_ = tooltip;
        parts_.notifier.setStatus(statusIcon(status), tooltip);
    }
    // A new text makes an alert due; it shows once the signal is good. A place
    // first heard weakly ("You are near", cut to the place when long: the same
    // text as "You are at") is announced when the user gets there.
    if (text != previousTooltip_) {
        previousTooltip_ = text;
        alertDue_ = true;
    }
    if (!alertDue_ || !goodSignal || !(status & status::kDefiniteMask))
        return;
    alertDue_ = false;
    if (settings::read(parts_.settings, settings::LocationAlerts) != 0)
        parts_.notifier.showAlert(text, L"Your location...", L"");
}

void Application::showWhereAmI() {
    if (!usable_)
        return;
    if (!strongest_) {
        parts_.device.requestScan();
        return;
    }
    const Bssid& shown = placeAccessPoint_ ? *placeAccessPoint_ : *strongest_;
    if (parts_.openLocationPage) {
        parts_.openLocationPage(widen(BssidKey::fromBytes(shown.data()).str()));
    }
}

std::vector<ScanReading> Application::heardNow() {
    if (!usable_)
        return {};
    std::lock_guard<std::recursive_mutex> guard(parts_.database.lock());
    return latestScanReadings(table_, parts_.database.optedOut());
}

LocationRecord* Application::shownPlace() const {
    return (lastStatus_ & status::kDefiniteMask) ? shownPlace_ : nullptr;
}

TakenScan Application::keepScan(const PlaceKey& place, std::time_t now) {
    // Before the data folder is there nothing was heard nor can be kept.
    if (!usable_)
        return TakenScan{};
    return keepHeardScan(table_, parts_.database, place, now);
}

void Application::placeEdited() {
    // A corrected record is the same record: without this its old texts would stay.
    lastReported_ = nullptr;
    lastReportedKey_ = BssidKey();
    showStatusNow();
}

void Application::showStatusNow() {
    if (!usable_ || !strongest_)
        return;
    LookupStatus status = 0;
    bool good = false;
    const std::wstring text = computeStatus(&status, &good);
    updateTray(text, status, good);
}

} // namespace nearbeam
