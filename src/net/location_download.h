#pragma once
// The location download: asks the location server, once, about an access point
// that the database does not place. One GET on the web agent under the key
// "download"; the reply's sections of record lines are merged into the data files;
// a good end adds the key to the asked list. Its state is the lookup status the
// tray and the Scanner show while the download runs and after it ends.
//
// Wiring: construct it with the web agent, the database, the settings store (the
// `Server` setting names the host, optionally with ":port") and the clock, then
// hand it to LocationDatabase::setDownloadService. Stop the web agent before this
// object goes: its callbacks refer to it.

#include "base/clock.h"
#include "base/settings_store.h"
#include "database/download_service.h"
#include "net/web_agent.h"

#include <atomic>
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

    // The request's path for a key.
    static std::wstring downloadPath(const BssidKey& key);

    // What the web agent calls on its worker thread. key: the access point the
    // attempt was queued for.
    void onProgress(WebProgress code, const BssidKey& key);
    void onLine(std::string_view line);

  private:
    void flush();
    void endAttempt();

    WebAgent& agent_;
    LocationDatabase& database_;
    SettingsStore& settings_;
    Clock& clock_;

    std::atomic<int32_t> state_;
    std::atomic<uint32_t> retryAfter_{0};
    std::atomic<bool> pausing_{false};

    // Worker-thread state of the attempt under way.
    int section_ = 0;
    std::vector<std::string> batch_;
    // A record line came outside any section in the attempt under way (read by
    // requestDownload: the pause after a bad reply starts at its end).
    std::atomic<bool> bad_{false};
};

} // namespace nearbeam
