#pragma once
// The upload history over any storage: every accepted upload is numbered, every
// record it changed keeps the version it left (and the one before it, when the
// history had none), and a record serves the newest version of an upload that is
// not withdrawn and whose user is not blocked. Withdrawing an upload, or
// blocking its user, brings back what it replaced and takes its scans out of the
// map; restoring and unblocking put them back. Each runs inside the caller's
// transaction, so a failure leaves nothing half done.

#include "server/storage/storage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace nearbeam {

// A version's content: the record's fields without its key.
std::string placeContent(const StoredRecord& place);
std::optional<StoredRecord> placeFromContent(uint32_t id, const std::string& content);
std::string accessPointContent(const AccessPoint& point);
std::optional<AccessPoint> accessPointFromContent(uint64_t bssid, const std::string& content);

// Notes the version an upload is about to store, keeping the record as it is now
// (upload 0) when the history has none of it yet. Call before storing it.
bool notePlaceVersion(Transaction& records, uint64_t upload, StoredKind kind,
                      const StoredRecord& place);
bool noteAccessPointVersion(Transaction& records, uint64_t upload, const AccessPoint& point);

// Why a change of the history was refused; Done when it was made.
enum class HistoryChange {
    Done,
    NoSuchUpload,
    AlreadyWithdrawn,
    NotWithdrawn,
    NoSuchUser,
    AlreadyBlocked,
    NotBlocked,
    StorageFailed,
};
// A refusal's words for a reader ("Upload 7 is withdrawn already.").
std::string historyChangeText(HistoryChange change, const std::string& subject);

// What a withdrawal or a block took out of the map or brought back.
struct HistoryCounts {
    uint64_t uploads = 0;
    uint64_t scans = 0;        // taken out or put back
    uint64_t accessPoints = 0; // changed back, removed or served again
    uint64_t places = 0;
};

// In the caller's writing transaction.
HistoryChange withdrawUpload(Transaction& records, uint64_t id, HistoryCounts& counts);
HistoryChange restoreUpload(Transaction& records, uint64_t id, HistoryCounts& counts);
// Blocking a user takes every upload of theirs out of the map (their withdrawn
// marks stay as they are); unblocking serves those not withdrawn again.
HistoryChange blockUser(Transaction& records, const std::string& user, bool block,
                        HistoryCounts& counts);

// Whether a user's uploads are served: the user is not blocked.
bool userServed(Transaction& records, const std::string& user);

} // namespace nearbeam
