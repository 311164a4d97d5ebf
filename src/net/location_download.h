#pragma once
// The location download: asks the location server, once, about an access point
// that the database does not place. One GET on the web agent under the key
// "download"; the reply's sections of record lines are merged into the data files;
// a good end adds the key to the asked list. Its state is the lookup status the
// tray and the Scanner show while the download runs and after it ends.
//
// Unless the access point is heard in survey scans fetched before, the request
// also asks for the survey scans of its building ("&scans=1"); a good end appends
// them to scans.txt, once per building.
//
// An access point whose attempt failed (no connection, an HTTP error, a cut
// reply) is not asked again until the web agent's retry window has passed: its
// lookup shows Failed meanwhile, so the tray says the map server cannot be
// reached instead of trying again every tick. Other access points may be asked at
// once; a good answer ends every such window, since the server is back.
//
// Wiring: construct it with the web agent, the database, the settings store (the
// `Server` setting names the host, optionally with ":port") and the clock, then
// hand it to LocationDatabase::setDownloadService. Stop the web agent before this
// object goes: its callbacks refer to it.

#include "base/clock.h"
#include "base/settings_store.h"
#include "net/web_agent.h"
#include "records/download_service.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

class LocationDatabase;

class LocationDownload : public DownloadService {
  public:
    static constexpr uint32_t kBadReplyPauseMs = 300000;
    static constexpr const char* kRequestKey = "download";

    LocationDownload(WebAgent& agent, LocationDatabase& database, SettingsStore& settings,
                     Clock& clock);

    // Queues a download of key unless one is queued or running, or the pause after
    // a bad reply is on. True when this call queued one.
    bool requestDownload(const BssidKey& key) override;
    int32_t state() const override { return state_.load(); }
    // Failed while key waits out the retry window after a failed attempt;
    // otherwise state().
    int32_t stateFor(const BssidKey& key) const override;

    // The request's path for a key, asking for its building's scans or not.
    static std::wstring downloadPath(const BssidKey& key, bool withScans);

    // Called on the worker thread once an attempt has ended (its final state is
    // set): it must only post to the user-interface thread, never wait on it. Set
    // before the first request.
    void setAttemptEnded(std::function<void()> ended) { attemptEnded_ = std::move(ended); }

    // What the web agent calls on its worker thread. key: the access point the
    // attempt was queued for; withScans: whether it asked for scans.
    void onProgress(WebProgress code, const BssidKey& key, bool withScans);
    void onLine(std::string_view line);

  private:
    void flush();
    void endAttempt();
    // Whether key's last attempt failed less than the retry window ago; forgets
    // keys whose window has passed. Caller holds failedMutex_.
    bool waitingAfterFailure(const BssidKey& key) const;

    WebAgent& agent_;
    LocationDatabase& database_;
    SettingsStore& settings_;
    Clock& clock_;

    std::function<void()> attemptEnded_;
    std::atomic<int32_t> state_;
    std::atomic<uint32_t> retryAfter_{0};
    std::atomic<bool> pausing_{false};

    // When each access point's last attempt failed (the clock's tick count).
    mutable std::mutex failedMutex_;
    mutable std::map<BssidKey, uint32_t> failedAt_;

    // Worker-thread state of the attempt under way.
    int section_ = 0;
    std::vector<std::string> batch_;
    // The building of the access point in the reply, and the reply's scans, kept
    // until the reply is complete.
    uint32_t building_ = 0;
    std::vector<std::string> scanLines_;
    // A record line came outside any section in the attempt under way (read by
    // requestDownload: the pause after a bad reply starts at its end).
    std::atomic<bool> bad_{false};
};

} // namespace nearbeam
