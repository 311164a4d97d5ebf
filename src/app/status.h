#pragma once
// Lookup status codes, the status texts they select and the tray icon each one
// shows. The texts come from the one header that the string table also uses.

#include "records/download_service.h"

#include <cstdint>
#include <string>

namespace nearbeam {

// The outcome of looking up the strongest access point. The lookup and the
// location download produce the codes they share with the database; the
// application object adds the ones for "nothing in range".
using LookupStatus = int32_t;

namespace status {
// In the local database; not there, and the server does not know it either.
inline constexpr LookupStatus kFound = lookup_status::Found;
inline constexpr LookupStatus kAskedUnknown = lookup_status::NotPlaced;
// The location download: failed, answered malformed, and its request stages.
inline constexpr LookupStatus kNoConnection = lookup_status::Failed;
inline constexpr LookupStatus kBadResponse = lookup_status::Malformed;
inline constexpr LookupStatus kQueued = lookup_status::Queued;
inline constexpr LookupStatus kConnecting = lookup_status::Connecting;
inline constexpr LookupStatus kRequesting = lookup_status::Sending;
inline constexpr LookupStatus kReceiving = lookup_status::Receiving;
inline constexpr LookupStatus kInternalError = 0x1100; // reserved; nothing sets it
inline constexpr LookupStatus kLastSeen = 0x80; // nothing in range; a place was found earlier
inline constexpr LookupStatus kLost = 0x180;    // nothing in range, no place found yet
// Windows refused the access-point list (no location permission for the program).
inline constexpr LookupStatus kDeviceRefused = 0x300;

// Bits the tray reads.
inline constexpr LookupStatus kUnrecognisedBit = 0x4000;
inline constexpr LookupStatus kRequestBit = lookup_status::InProgressBit;
inline constexpr LookupStatus kProblemBit = 0x100;
inline constexpr LookupStatus kDefiniteMask = 0x6000;
} // namespace status

// The tray icons (resource numbers).
inline constexpr int kIconNormal = 122;
inline constexpr int kIconUnrecognised = 123;
inline constexpr int kIconProblem = 124;
inline constexpr int kIconRequest = 125;

// Signal quality (percent) from which a known place counts as "at" rather than
// "near", and from which an alert is shown.
inline constexpr int kGoodSignalQuality = 70;

// The string-table number of the status text for a status; quality matters only
// for a known place and for an access point the server does not know.
int statusStringId(LookupStatus status, int quality);

// The tray icon for a status.
int statusIcon(LookupStatus status);

// The text of string-table entry id (1 to 18); empty for any other number.
std::wstring stringText(int id);

// Fills the text's "%s" (if any) with argument. The result is cut to fit the
// program's 256-character text buffers (255 characters).
std::wstring formatStatusText(const std::wstring& text, const std::wstring& argument);

inline constexpr size_t kTextCapacity = 256; // characters, terminator included

} // namespace nearbeam
