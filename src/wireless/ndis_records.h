#pragma once
// The NDIS 802.11 query interface's constants and the walk over the bytes that
// OID_802_11_BSSID_LIST returns: a 4-byte NumberOfItems followed by
// NDIS_WLAN_BSSID records laid end to end, each starting with its Length.

#include "wireless/access_point_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nearbeam::ndis {

inline constexpr uint32_t kIoctlQueryGlobalStats = 0x00170002;
inline constexpr uint32_t kOidBssid = 0x0D010101;
inline constexpr uint32_t kOidBssidListScan = 0x0D01011A;
inline constexpr uint32_t kOidRssi = 0x0D010206;
inline constexpr uint32_t kOidBssidList = 0x0D010217;

inline constexpr size_t kListBufferSize = 3344;
inline constexpr uint32_t kMaxRecords = 32;
// Bytes of a record that hold the fields read (through InfrastructureMode), and
// the size of a plain NDIS_WLAN_BSSID record.
inline constexpr size_t kRecordFieldsSize = 96;
inline constexpr size_t kPlainRecordSize = 104;

// Field offsets within a record.
inline constexpr size_t kOffLength = 0;
inline constexpr size_t kOffMacAddress = 4;
inline constexpr size_t kOffSsidLength = 12;
inline constexpr size_t kOffSsid = 16;
inline constexpr size_t kOffPrivacy = 48;
inline constexpr size_t kOffRssi = 52;
inline constexpr size_t kOffDsConfig = 72;
inline constexpr size_t kOffInfrastructureMode = 92;

// Decodes the records of a list answer of size bytes (the bytes the driver
// returned) into out: at most 32, at most NumberOfItems. The walk ends at a record
// whose Length is shorter than its fields or whose fields do not lie within the
// bytes; it never reads outside them.
void walkBssidList(const uint8_t* bytes, size_t size, std::vector<AccessPointRecord>& out);

// The path the adapter's device is opened by: "\\.\" before a name in braces,
// any other name unchanged.
std::wstring devicePath(const std::wstring& adapterName);

} // namespace nearbeam::ndis
