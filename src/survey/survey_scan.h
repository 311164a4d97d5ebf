#pragma once
// A survey scan: the access points heard at one moment at a known place, as
// scans.txt keeps it and the upload and download carry it. One line per scan,
// fields separated by one tab each:
//
//   building  floor  location  status  time  bssid:rssi  [bssid:rssi ...]
//
// the building's identifier, the floor and location texts (as in ap.txt), the
// status (0 from the server, 3 made here), the time in UTC ("2026-12-08T09:15:00Z"),
// then one field per access point heard: 12 lower-case hexadecimal digits, ':',
// the signal in dBm ("02a0c0000025:-91"). The protocol's lines are the same
// without the status field. Scan lines may be longer than the other records'
// lines: they are read and written as whole physical lines.

#include "records/bssid_key.h"
#include "records/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

// The signals a scan may hold, in dBm.
inline constexpr int kWeakestScanSignal = -120;
inline constexpr int kStrongestScanSignal = 0;

struct ScanReading {
    BssidKey bssid;
    int rssi = kWeakestScanSignal;

    friend bool operator==(const ScanReading& a, const ScanReading& b) {
        return a.bssid == b.bssid && a.rssi == b.rssi;
    }
};

struct SurveyScan {
    uint32_t buildingId = 0;
    std::string floor;
    std::string location;
    int32_t status = record_status::Local;
    std::string time;
    std::vector<ScanReading> readings; // at least one, each access point once
};

// Reads a scans.txt line (with or without its line break). None for a damaged
// line: a building identifier that is not a non-zero 32-bit number, a status that
// is not a number, a time not in the form above, no access point, a field that is
// not a BSSID and a whole signal in -120..0, or an access point twice.
std::optional<SurveyScan> parseScanLine(std::string_view line);
// The same for a line of the protocol (no status field; the status reads as 0).
std::optional<SurveyScan> parseScanWireLine(std::string_view line);

// A reading with its access point's address as a 48-bit number, as an index
// keeps it.
struct PackedReading {
    uint64_t address = 0;
    int32_t rssi = kWeakestScanSignal;
};

// The head of a scan line: its texts point into the line.
struct ScanLineHead {
    uint32_t buildingId = 0;
    std::string_view floor;
    std::string_view location;
    int32_t status = 0;
    std::string_view time;
};

// Reads many scan lines without copying them: what it holds describes the line
// last read, and its buffers serve the next one.
class ScanLineReader {
  public:
    // False for a damaged line (as parseScanLine). withStatus false: a line of
    // the protocol, whose status reads as 0.
    bool read(std::string_view line, bool withStatus = true);
    const ScanLineHead& head() const { return head_; }
    const std::vector<PackedReading>& readings() const { return readings_; }

  private:
    bool readReadings(std::string_view fields);
    bool eachOnce();

    struct Seen {
        uint64_t address = 0;
        uint32_t generation = 0;
    };

    ScanLineHead head_;
    std::vector<PackedReading> readings_;
    std::vector<Seen> seen_; // a power of two long
    uint32_t generation_ = 0;
};

// The scan's scans.txt line, ending in "\n"; tabs and line breaks in the floor and
// location texts are written as spaces.
std::string formatScanLine(const SurveyScan& scan);
// The scan's protocol line (no status), ending in "\n".
std::string formatScanWireLine(const SurveyScan& scan);

} // namespace nearbeam
