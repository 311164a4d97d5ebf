#pragma once
// The location server's protocol over its storage, without the network: the
// download of what the server knows about an access point, and the upload of
// records made by users. Safe to call from many threads at once.

#include "server/storage/storage.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace nearbeam {

struct DownloadReply {
    std::string text;        // the reply's body; empty when it is not a good request
    bool badAddress = false; // the address is not 12 hexadecimal digits
    bool failed = false;     // the storage could not be read (a server error)
};

// An upload's body, read once: its login and its record lines by section (the
// named kinds in StoredKind's order, then the access points, then the scans).
struct Upload {
    bool loginGiven = false; // it began "- login", a name and a token
    std::string user;
    std::string token;
    std::vector<std::string> sections[9];
    std::string unreadable; // why its records cannot be taken; empty when they can
};
Upload readUpload(const std::string& body);

struct UploadReply {
    std::string text; // the reply's body
    bool stored = false;
    bool loginFailed = false;
};

// The body of a refusal: "- error " and the reason, then "- end".
std::string errorReply(const std::string& reason);

class LocationService {
  public:
    // The server's clock, in seconds since 1970: when an upload was made, and how
    // far ahead a scan's time may be.
    using Clock = std::function<std::time_t()>;
    explicit LocationService(Storage& storage, Clock clock = {});

    Storage& storage() { return storage_; }

    // The reply to a download: the access point's line and every record it refers
    // to, the services attached at each of its levels and everywhere, each under
    // its section heading, then "- end". An unknown access point gets "- end"
    // alone. Empty (no reply) when bssid is not 12 hexadecimal digits or the
    // storage cannot be read. withScans adds, before "- end", the section
    // "- scans" with the newest survey scans of the access point's building.
    std::string downloadText(const std::string& bssid, bool withScans = false);
    // The same, telling a bad address from a storage that failed.
    DownloadReply download(const std::string& bssid, bool withScans = false);

    // The reply to an upload body. A good login stores the records under the
    // server's own identifiers in one transaction and, once it is committed,
    // answers "- nearbeam ok", the stored records (and scans), a "- msg " line and
    // "- end"; anything else stores nothing and answers "- error " and a reason (for
    // a storage that failed, that the server cannot store records now).
    UploadReply upload(const Upload& upload);
    UploadReply upload(const std::string& body) { return upload(readUpload(body)); }

    // Why the server cannot serve now, or empty when it can: the storage does not
    // answer, or the last upload could not be stored (a full disk lets the storage
    // be read but not written) and neither an upload nor a write of the check's
    // own, tried at most every 10 seconds while it lasts, has been since.
    std::string healthProblem();

    // Whether the token is the user's (slow on purpose; an unknown user takes as
    // long). storageFailed when the accounts could not be read.
    bool checkLogin(const std::string& user, const std::string& token, bool& storageFailed);

  private:
    // Keeps how the last write went: a failure's reason, or empty when it was stored.
    void noteWrite(const std::string& failure);
    // Whether the storage takes a write now: the reason when it does not.
    std::string tryWrite();

    Storage& storage_;
    Clock clock_;
    // What a login of a user without an account is checked against: a hash made
    // as the accounts' are, so that the check costs as much as theirs.
    const std::string unknownUserHash_;
    // Logins verified lately: hashing is slow by design, and a user uploading
    // now and then should not pay for it every time. Keyed by a digest of the
    // stored hash and the token, so a changed password or a removed user misses.
    std::mutex cacheMutex_;
    std::unordered_map<std::string, std::chrono::steady_clock::time_point> verified_;
    // Hashes being checked now: each takes its share of memory, so only a few at
    // once; the others wait (and may then find theirs verified).
    std::condition_variable hashSlot_;
    int hashing_ = 0;
    // Why the last upload that reached the storage could not be stored; empty
    // once one is.
    std::mutex healthMutex_;
    std::string writeFailure_;
    std::chrono::steady_clock::time_point lastWriteTry_;
    bool tryingWrite_ = false;
};

} // namespace nearbeam
