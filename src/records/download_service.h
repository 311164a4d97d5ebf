#pragma once
// The seam between the location lookup and the location download: the lookup
// hands it the keys that neither ap.txt nor apchecked.txt knows.

#include "records/bssid_key.h"

#include <cstdint>

namespace nearbeam {

// Values of the lookup's status (the tray and the Scanner turn them into texts).
namespace lookup_status {
inline constexpr int32_t Found = 0x2000;       // the record is in ap.txt
inline constexpr int32_t NotPlaced = 0x4000;   // asked before; the server does not know it
inline constexpr int32_t Idle = 0x8000;        // no request running
inline constexpr int32_t Queued = 0x30000;     // a request waits for the web agent
inline constexpr int32_t Connecting = 0x50000; // connecting to the server
inline constexpr int32_t Sending = 0x90000;    // connected, request being sent
inline constexpr int32_t Receiving = 0x110000; // receiving the answer
inline constexpr int32_t Malformed = 0x900;    // last answer malformed; pausing
inline constexpr int32_t Failed = 0x500;       // last request failed
inline constexpr int32_t InProgressBit = 0x10000;
} // namespace lookup_status

class DownloadService {
  public:
    virtual ~DownloadService() = default;
    // Starts a server request for key unless one is running or the pause after a
    // bad reply is on. True when a request was queued by this call. Called on the
    // user-interface thread without the database lock held.
    virtual bool requestDownload(const BssidKey& key) = 0;
    // The download's current state: one of the lookup_status values.
    virtual int32_t state() const = 0;
    // What the lookup of key shows after requestDownload: the state, unless the
    // download has a state of its own for that key.
    virtual int32_t stateFor(const BssidKey& key) const {
        (void)key;
        return state();
    }
};

} // namespace nearbeam
