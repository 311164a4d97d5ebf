#pragma once
// Every setting of the program: its key path below the user's root, its value
// name, and its default. One table, read and written through these helpers.

#include "base/settings_store.h"

#include <cstdint>
#include <string>

namespace nearbeam::settings {

inline constexpr const wchar_t* kRootKey = L"Software\\Nearbeam";
inline constexpr const wchar_t* kScannerKey = L"Software\\Nearbeam\\Scanner";
inline constexpr const wchar_t* kWiFiKey = L"Software\\Nearbeam\\WiFi";
inline constexpr const wchar_t* kApdbKey = L"Software\\Nearbeam\\APDB";

struct NumberSetting {
    const wchar_t* key;
    const wchar_t* name;
    int32_t def;
};

struct TextSetting {
    const wchar_t* key;
    const wchar_t* name;
    size_t capacity; // characters, terminator included
    const wchar_t* def;
};

inline constexpr NumberSetting LocationAlerts{kRootKey, L"LocationAlerts", 1};
inline constexpr NumberSetting ScanInterval{kScannerKey, L"ScanInterval", 5000};
inline constexpr NumberSetting ActiveScan{kScannerKey, L"ActiveScan", 1};
inline constexpr NumberSetting ViewCompact{kScannerKey, L"ViewCompact", 0};
inline constexpr NumberSetting ViewManufacturer{kScannerKey, L"ViewManufacturer", 0};
inline constexpr NumberSetting ViewChannel{kScannerKey, L"ViewChannel", 0};
inline constexpr NumberSetting ViewBssid{kScannerKey, L"ViewBssid", 0};
inline constexpr TextSetting Device{kWiFiKey, L"Device", 257, L""};
inline constexpr NumberSetting RssiMin{kWiFiKey, L"RssiMin", 0};
inline constexpr NumberSetting RssiMax{kWiFiKey, L"RssiMax", -999};
inline constexpr TextSetting Username{kApdbKey, L"Username", 32, L""};
inline constexpr TextSetting Password{kApdbKey, L"Password", 32, L""};
inline constexpr NumberSetting UploadNeeded{kApdbKey, L"UploadNeeded", 0};
inline constexpr NumberSetting NextLocalID{kApdbKey, L"NextLocalID", -1}; // 4294967295
// While not 0 nothing leaves the computer: no downloads, service requests or uploads.
inline constexpr NumberSetting PrivateMode{kRootKey, L"PrivateMode", 0};
// The location server's host, optionally with ":port"; the built-in host when absent.
inline constexpr TextSetting Server{kApdbKey, L"Server", 257, L"locate.nearbeam.net"};

inline int32_t read(SettingsStore& store, const NumberSetting& s) {
    return store.readNumber(s.key, s.name, s.def);
}
inline bool write(SettingsStore& store, const NumberSetting& s, int32_t value) {
    return store.writeNumber(s.key, s.name, value);
}
inline bool privateMode(SettingsStore& store) {
    return read(store, PrivateMode) != 0;
}
inline std::wstring read(SettingsStore& store, const TextSetting& s) {
    std::wstring out;
    store.readText(s.key, s.name, s.capacity, out, s.def);
    return out;
}
inline bool write(SettingsStore& store, const TextSetting& s, const std::wstring& text) {
    return store.writeText(s.key, s.name, text);
}

} // namespace nearbeam::settings
