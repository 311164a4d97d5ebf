#include "net/location_download.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "locate/location_database.h"
#include "records/record_lines.h"

namespace nearbeam {
namespace {

// Reply lines are merged a batch at a time, so a long reply does not cost one
// pass over the target file per line.
constexpr size_t kBatchLines = 2048;

// The reply's section of survey scans (after the record tables' sections 1 to 8).
constexpr int kScansSection = 9;
constexpr int kApsSection = 8;

} // namespace

LocationDownload::LocationDownload(WebAgent& agent, LocationDatabase& database,
                                   SettingsStore& settings, Clock& clock)
    : agent_(agent), database_(database), settings_(settings), clock_(clock),
      state_(lookup_status::Idle) {}

std::wstring LocationDownload::downloadPath(const BssidKey& key, bool withScans) {
    return L"/text/?action=location.downloadText&bssid=" + widen(key.str()) +
           (withScans ? L"&scans=1" : L"");
}

bool LocationDownload::requestDownload(const BssidKey& key) {
    // A reply found bad shows 0x900 while the rest of it is still read; no new
    // download before its end, where the pause begins.
    if ((state_.load() & lookup_status::InProgressBit) || bad_ || settings::privateMode(settings_))
        return false;
    if (pausing_) {
        uint32_t ahead = retryAfter_.load() - clock_.tickCount();
        if (ahead != 0 && ahead < kBadReplyPauseMs)
            return false;
        pausing_ = false;
    }
    {
        std::lock_guard<std::mutex> guard(failedMutex_);
        if (waitingAfterFailure(key))
            return false;
    }
    state_ = lookup_status::Queued;
    const bool withScans = !database_.scanFile().heardInFetchedScans(key);
    {
        auto request = agent_.getRequest(kRequestKey);
        request->setHost(settings::read(settings_, settings::Server));
        request->setPath(downloadPath(key, withScans));
        request->body.reset();
        // The key travels with the request: an attempt still running for an earlier
        // fill of the slot answers for its own access point.
        request->progressCallback = [this, key, withScans](WebProgress code) {
            onProgress(code, key, withScans);
        };
        request->lineCallback = [this](std::string_view line) { onLine(line); };
        request->pending = true;
    }
    agent_.wake();
    return true;
}

int32_t LocationDownload::stateFor(const BssidKey& key) const {
    // In private mode the server is not asked: the place is unknown here.
    if (settings::privateMode(settings_))
        return lookup_status::NotPlaced;
    std::lock_guard<std::mutex> guard(failedMutex_);
    return waitingAfterFailure(key) ? lookup_status::Failed : state();
}

bool LocationDownload::waitingAfterFailure(const BssidKey& key) const {
    const uint32_t now = clock_.tickCount();
    for (auto it = failedAt_.begin(); it != failedAt_.end();) {
        if (now - it->second >= WebAgent::kRetryWindowMs)
            it = failedAt_.erase(it);
        else
            ++it;
    }
    return failedAt_.count(key) != 0;
}

void LocationDownload::onProgress(WebProgress code, const BssidKey& key, bool withScans) {
    switch (code) {
    case WebProgress::Connecting:
        if (!bad_)
            state_ = lookup_status::Connecting;
        break;
    case WebProgress::Connected:
        if (!bad_)
            state_ = lookup_status::Sending;
        break;
    case WebProgress::Receiving:
        // A receive event after a bad line must not hide that the reply was bad.
        if (!bad_)
            state_ = lookup_status::Receiving;
        break;
    case WebProgress::Completed: {
        const uint32_t building = building_;
        std::vector<std::string> scans = std::move(scanLines_);
        endAttempt();
        if (!bad_ && withScans)
            database_.scanFile().addFetched(building, scans);
        if (bad_) {
            retryAfter_ = clock_.tickCount() + kBadReplyPauseMs;
            pausing_ = true;
            state_ = lookup_status::Malformed;
        } else {
            database_.asked().add(key);
            std::lock_guard<std::mutex> guard(failedMutex_);
            failedAt_.clear();
            state_ = lookup_status::Idle;
        }
        bad_ = false; // last: requestDownload waits for the final state
        if (attemptEnded_)
            attemptEnded_();
        break;
    }
    case WebProgress::Failed: {
        endAttempt();
        std::lock_guard<std::mutex> guard(failedMutex_);
        failedAt_[key] = clock_.tickCount();
        state_ = lookup_status::Failed;
        bad_ = false;
        if (attemptEnded_)
            attemptEnded_();
        break;
    }
    default:
        break;
    }
}

void LocationDownload::onLine(std::string_view line) {
    if (!line.empty() && line[0] == '-') {
        flush();
        section_ = line == "- scans" ? kScansSection : LocationDatabase::sectionOfHeading(line);
        return;
    }
    if (section_ == 0) {
        bad_ = true;
        state_ = lookup_status::Malformed;
        return;
    }
    if (section_ == kScansSection) {
        scanLines_.emplace_back(line);
        return;
    }
    // The scans that follow are those of the building of the access point asked
    // about (its second field).
    if (section_ == kApsSection && building_ == 0) {
        const size_t tab = line.find('\t');
        if (tab != std::string_view::npos)
            building_ = readIdentifier(line.substr(tab + 1));
    }
    batch_.emplace_back(line);
    if (batch_.size() >= kBatchLines)
        flush();
}

void LocationDownload::flush() {
    if (batch_.empty())
        return;
    if (TextTable* table = database_.tableForSection(section_))
        table->appendServerLines(batch_);
    batch_.clear();
}

// Every attempt, good or failed, keeps the complete lines it brought and starts the
// next attempt (a retry by the web agent, or a new download) outside any section.
void LocationDownload::endAttempt() {
    flush();
    section_ = 0;
    building_ = 0;
    scanLines_.clear();
}

} // namespace nearbeam
