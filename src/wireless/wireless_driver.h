#pragma once
// The seam between the program and an 802.11 adapter's driver: adapter
// enumeration, and on the open adapter the four queries (scan request, list of
// access points, associated BSSID, signal of a named adapter).

#include "wireless/access_point_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nearbeam {

struct AdapterInfo {
    std::wstring name;        // the form the Device setting stores, e.g. "{GUID}"
    std::wstring description; // for display; may be empty
};

enum class QueryStatus {
    Ok,
    Failed,       // no adapter open, or the driver did not answer
    AccessDenied, // the system refused the list (location permission not given)
};

class WirelessDriver {
  public:
    virtual ~WirelessDriver() = default;

    // Adapters this driver can reach, in the system's order.
    virtual std::vector<AdapterInfo> listAdapters() = 0;
    // The adapter this driver would pick by itself. By default the first listed
    // adapter whose signal query gives a non-zero value.
    virtual std::optional<std::wstring> findWirelessAdapter();
    // The signal in dBm of the named adapter, or 0 when the query fails.
    virtual int32_t signalOfAdapter(const std::wstring& name) = 0;

    // Opens the named adapter for the queries below (closing any open one).
    virtual bool open(const std::wstring& name) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Asks for an active scan; the outcome is not reported.
    virtual void requestScan() = 0;
    // Replaces out with the access points in range.
    virtual QueryStatus listQuery(std::vector<AccessPointRecord>& out) = 0;
    virtual std::optional<Bssid> associatedBssid() = 0;
};

} // namespace nearbeam
