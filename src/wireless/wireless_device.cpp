#include "wireless/wireless_device.h"

#include "app/settings_keys.h"

#include <algorithm>

namespace nearbeam {

namespace {

// The Device setting holds at most 256 characters.
constexpr size_t kMaxNameLength = 256;

bool lists(WirelessDriver& driver, const std::wstring& name) {
    const std::vector<AdapterInfo> adapters = driver.listAdapters();
    return std::any_of(adapters.begin(), adapters.end(),
                       [&](const AdapterInfo& a) { return a.name == name; });
}

} // namespace

WirelessDevice::WirelessDevice(SettingsStore& store,
                               std::vector<std::unique_ptr<WirelessDriver>> drivers)
    : store_(store), drivers_(std::move(drivers)), calibration_(store) {
    drivers_.erase(std::remove(drivers_.begin(), drivers_.end(), nullptr), drivers_.end());
    open();
}

void WirelessDevice::open() {
    name_ = settings::read(store_, settings::Device);
    automatic_ = name_.empty();
    WirelessDriver* chosen = nullptr;
    if (automatic_) {
        for (auto& driver : drivers_) {
            if (std::optional<std::wstring> pick = driver->findWirelessAdapter()) {
                name_ = pick->substr(0, kMaxNameLength);
                chosen = driver.get();
                break;
            }
        }
    } else {
        for (auto& driver : drivers_) {
            if (lists(*driver, name_)) {
                chosen = driver.get();
                break;
            }
        }
        // A name no driver lists may still be a device path the last driver opens.
        if (chosen == nullptr && !drivers_.empty()) {
            chosen = drivers_.back().get();
        }
    }
    if (active_ != nullptr) {
        active_->close();
        active_ = nullptr;
    }
    if (chosen != nullptr && !name_.empty() && chosen->open(name_)) {
        active_ = chosen;
        state_ = DeviceState::Ok;
    } else {
        state_ = DeviceState::NoAdapter;
    }
}

void WirelessDevice::setDevice(const std::wstring& name) {
    settings::write(store_, settings::Device, name);
    open();
}

void WirelessDevice::requestScan() {
    if (active_ != nullptr) {
        active_->requestScan();
    }
}

bool WirelessDevice::listQuery(const RecordCallback& onRecord) {
    if (active_ == nullptr) {
        return false;
    }
    // Taken out of the member while the callbacks run, so a callback that queries
    // again cannot pull the records from under this walk.
    std::vector<AccessPointRecord> records;
    records.swap(records_);
    records.clear();
    const QueryStatus status = active_->listQuery(records);
    bool answered = false;
    if (status == QueryStatus::AccessDenied) {
        state_ = DeviceState::PermissionRefused;
    } else if (status == QueryStatus::Failed) {
        // An adapter that opens but does not answer (a wired one named by hand, or
        // one taken away) is no adapter for the program.
        state_ = DeviceState::NoAdapter;
    } else {
        state_ = DeviceState::Ok;
        answered = true;
        for (const AccessPointRecord& record : records) {
            calibration_.observe(record.rssi);
            if (onRecord) {
                onRecord(record);
            }
        }
    }
    records.swap(records_);
    return answered;
}

std::optional<Bssid> WirelessDevice::associatedBssid() {
    if (active_ == nullptr) {
        return std::nullopt;
    }
    return active_->associatedBssid();
}

int32_t WirelessDevice::signalOfAdapter(const std::wstring& name) {
    for (auto& driver : drivers_) {
        if (int32_t rssi = driver->signalOfAdapter(name); rssi != 0) {
            return rssi;
        }
    }
    return 0;
}

std::vector<AdapterInfo> WirelessDevice::listAdapters() {
    std::vector<AdapterInfo> all;
    for (auto& driver : drivers_) {
        for (AdapterInfo& adapter : driver->listAdapters()) {
            const bool known = std::any_of(all.begin(), all.end(), [&](const AdapterInfo& a) {
                return a.name == adapter.name;
            });
            if (!known) {
                all.push_back(std::move(adapter));
            }
        }
    }
    return all;
}

std::optional<std::wstring> WirelessDevice::findWirelessAdapter() {
    for (auto& driver : drivers_) {
        if (std::optional<std::wstring> pick = driver->findWirelessAdapter()) {
            return pick;
        }
    }
    return std::nullopt;
}

} // namespace nearbeam
