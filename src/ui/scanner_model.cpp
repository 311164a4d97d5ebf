#include "ui/scanner_model.h"

#include "wireless/calibration.h"
#include "wireless/opt_out.h"

#include <algorithm>
#include <cstdio>

namespace nearbeam {

namespace {

std::string spacedBssid(const Bssid& b) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x %02x %02x %02x %02x %02x", b[0], b[1], b[2], b[3], b[4],
                  b[5]);
    return text;
}

void appendPart(std::string& label, const std::string& part) {
    if (!label.empty())
        label += ", ";
    label += part;
}

} // namespace

std::string unplacedLabel(const std::string& spaced, int32_t lookupStatus) {
    const char* tag = nullptr;
    switch (lookupStatus) {
    case lookup_status::Failed:
        tag = " [can't connect]";
        break;
    case lookup_status::Malformed:
        tag = " [bad response]";
        break;
    case lookup_status::Queued:
        tag = " [finding]";
        break;
    case lookup_status::Connecting:
        tag = " [connecting]";
        break;
    case lookup_status::Sending:
        tag = " [requesting]";
        break;
    case lookup_status::Receiving:
        tag = " [downloading]";
        break;
    default:
        return {};
    }
    return spaced + tag;
}

ScannerModel::ScannerModel(ScannerParts parts, bool compact) : parts_(parts) {
    resetTable(compact);
}

void ScannerModel::resetTable(bool compact) {
    table_ = std::make_unique<ScanTable>(compact ? kCompactCapacity : kFullCapacity,
                                         parts_.scanSettings);
    table_->setMaximumAge(kMaximumAgeSeconds);
}

void ScannerModel::refresh(int32_t intervalMs, bool activeScan, const ScannerView& view) {
    table_->advance(intervalMs / 1000);

    const std::optional<Bssid> now = parts_.device.associatedBssid();
    if (associated_ && now != associated_) {
        if (AccessPointEntry* old = table_->find(*associated_))
            old->associated = false;
        associated_.reset();
    }
    if (now)
        associated_ = now;

    if (parts_.database.changed.exchange(false))
        table_->flagAllForRefresh();
    parts_.device.listQuery([&](const AccessPointRecord& record) { updateRow(record, view); });
    // Read at the next refresh: nobody waits here for the adapter to finish.
    if (activeScan)
        parts_.device.requestScan();

    parts_.scanSettings.decayFloor = parts_.device.calibration().rssiMin();
    table_->decayUnseen();
}

void ScannerModel::updateRow(const AccessPointRecord& record, const ScannerView& view) {
    const std::string spaced = spacedBssid(record.bssid);
    const std::string ssid = record.ssid.substr(0, 32);
    const int32_t channel = channelOf(record.frequencyKhz);

    const bool known = table_->find(record.bssid) != nullptr;
    AccessPointEntry& entry = table_->addOrUpdate(record.bssid, record.rssi);
    entry.associated = associated_ && record.bssid == *associated_;

    if (!known || entry.refresh) {
        entry.refresh = false;
        const BssidKey key = BssidKey::fromBytes(record.bssid.data());
        // Before the lookup, so that it never asks the server about this one.
        if (asksNotToBeMapped(ssid)) {
            entry.optedOut = true;
            parts_.database.optedOut().add(key);
        }
        std::string label;
        if (record.isInfrastructure()) {
            bool pending = false;
            label = lookUpLabel(key, spaced, pending);
            entry.refresh = pending; // asked of the server: look again next time
        }
        entry.manufacturer = parts_.manufacturers.lookup(record.bssid);
        if (label.empty()) {
            label = spaced;
            if (!entry.manufacturer.empty() && !view.manufacturer)
                label += " - " + entry.manufacturer;
        }
        entry.label = label;
        entry.bssidText = key.str();
        entry.ssidList = ssid;
        entry.privacy = record.privacy;
        entry.privacyVaries = false;
        entry.notInfrastructure = !record.isInfrastructure();
        entry.channel = channel;
        return;
    }
    if (entry.ssidList != ssid) {
        entry.mergeSsid(ssid);
        if (record.privacy != entry.privacy)
            entry.privacyVaries = true;
    }
    entry.channel = channel;
}

std::string ScannerModel::lookUpLabel(const BssidKey& key, const std::string& spaced,
                                      bool& pending) {
    LocationRecord* place = nullptr;
    const int32_t status = parts_.database.lookUpLocation(key, &place);
    if (!place) {
        std::string label = unplacedLabel(spaced, status);
        pending = !label.empty();
        return label;
    }
    std::string label = place->location;
    if (!place->floor.empty())
        appendPart(label, place->floorText());
    appendPart(label, place->buildingName());
    if (parts_.database.moving().isMoving(key))
        label += " (moving?)";
    return label;
}

std::string ScannerModel::page(const std::string& baseFolder, const ScannerView& view) {
    const Calibration& calibration = parts_.device.calibration();
    std::string rows;
    table_->forEach([&](AccessPointEntry& entry) {
        const int average = signalQuality(entry.smoothedSignal(), calibration);
        const int last = signalQuality(entry.lastSignal(), calibration);
        rows += view.compact ? compactRow(entry, average, last, view)
                             : fullRow(entry, average, last, view);
    });
    return scannerPage(rows, baseFolder);
}

int32_t refreshIntervalMs(int32_t remembered) {
    return std::max<int32_t>(remembered, 1000);
}

std::optional<std::string> rowLinkKey(const std::string& link) {
    constexpr const char kScheme[] = "wifi:";
    if (link.compare(0, sizeof kScheme - 1, kScheme) != 0)
        return std::nullopt;
    // The browser may add slashes before an address without a host, or end one
    // without a path in a slash.
    const size_t start = link.find_first_not_of('/', sizeof kScheme - 1);
    if (start == std::string::npos)
        return std::string();
    const size_t end = link.find_last_not_of('/');
    return link.substr(start, end + 1 - start);
}

} // namespace nearbeam
