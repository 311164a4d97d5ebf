#include "wireless/wireless_device.h"

#include "base/settings_keys.h"

#include <algorithm>
#include <cwctype>

namespace nearbeam {

namespace {

// The Device setting holds at most 256 characters.
constexpr size_t kMaxNameLength = 256;

// Adapter names are GUIDs in braces, which Windows compares without regard to
// case; a setting edited by hand may be written in lower case.
bool sameName(const std::wstring& a, const std::wstring& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
    });
}

bool contains(const std::vector<AdapterInfo>& adapters, const std::wstring& name) {
    return std::any_of(adapters.begin(), adapters.end(),
                       [&](const AdapterInfo& a) { return sameName(a.name, name); });
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
        if (std::optional<Pick> pick = pickAdapter()) {
            chosen = pick->driver;
            name_ = pick->name.substr(0, kMaxNameLength);
        }
    } else {
        for (auto& driver : drivers_) {
            if (contains(driver->listAdapters(), name_)) {
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

std::optional<WirelessDevice::Pick> WirelessDevice::pickAdapter() {
    for (auto& driver : drivers_) {
        if (std::optional<std::wstring> name = driver->findWirelessAdapter()) {
            return Pick{driver.get(), std::move(*name)};
        }
    }
    return std::nullopt;
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
    std::vector<AccessPointRecord> records;
    switch (active_->listQuery(records)) {
    case QueryStatus::AccessDenied:
        state_ = DeviceState::PermissionRefused;
        return false;
    case QueryStatus::Failed:
        // An adapter that opens but does not answer (a wired one named by hand, or
        // one taken away) is no adapter for the program.
        state_ = DeviceState::NoAdapter;
        return false;
    case QueryStatus::Ok:
        break;
    }
    state_ = DeviceState::Ok;
    for (const AccessPointRecord& record : records) {
        calibration_.observe(record.rssi);
        if (onRecord) {
            onRecord(record);
        }
    }
    return true;
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
            if (!contains(all, adapter.name)) {
                all.push_back(std::move(adapter));
            }
        }
    }
    return all;
}

std::optional<std::wstring> WirelessDevice::findWirelessAdapter() {
    std::optional<Pick> pick = pickAdapter();
    if (!pick) {
        return std::nullopt;
    }
    return std::move(pick->name);
}

} // namespace nearbeam
