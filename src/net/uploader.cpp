#include "net/uploader.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "base/text_compare.h"
#include "locate/location_database.h"
#include "net/md5.h"
#include "records/data_file.h"
#include "records/record_lines.h"

#include <array>
#include <set>

namespace nearbeam {
namespace {

// Calls fn with each line of text (lines ending in LF), without its LF.
template <typename Fn> void forEachLine(std::string_view text, Fn&& fn) {
    for (size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1))
        fn(text.substr(0, end));
}

// What the result adds when lines were left out because they cannot be read.
std::wstring unreadableNote(size_t unreadable) {
    if (unreadable == 0)
        return {};
    return L" (" + std::to_wstring(unreadable) +
           (unreadable == 1 ? L" line that cannot be read was"
                            : L" lines that cannot be read were") +
           L" left out; they stay on this computer.)";
}

// The reply's section of the server's copies of the scans (after the record
// tables' sections 1 to 8).
constexpr int kScansSection = 9;

} // namespace

Uploader::Uploader(WebAgent& agent, LocationDatabase& database, SettingsStore& settings,
                   PasswordStore& passwords, MessageFunction showMessage)
    : agent_(agent), database_(database), settings_(settings), passwords_(passwords),
      showMessage_(std::move(showMessage)) {}

std::string Uploader::makeLoginToken(const std::wstring& password) {
    // Accounts made before names went UTF-8 hold the digest of these bytes.
    return loginToken(windows1252(password));
}

std::array<TextTable*, 6> Uploader::placeTables() const {
    return {&database_.countries(), &database_.provinces(), &database_.cities(),
            &database_.areas(),     &database_.buildings(), &database_.locations()};
}

Uploader::LocalLines Uploader::collectLocalLines() const {
    // One lock over all six files: one consistent picture of them.
    std::lock_guard<std::recursive_mutex> guard(database_.lock());
    LocalLines local;
    const auto tables = placeTables();
    for (size_t i = 0; i < tables.size(); ++i)
        local[i] = tables[i]->collectLocal();
    return local;
}

bool Uploader::loginInTheClear(const std::wstring& server) {
    WebRequest request;
    request.setHost(server);
    std::wstring name;
    uint16_t port = 0;
    if (request.secure || !splitHostPort(request.host, name, port))
        return false;
    return name != L"localhost" && name != L"::1" && name.compare(0, 4, L"127.") != 0;
}

bool Uploader::optedOut(size_t i, std::string_view line) const {
    if (i != 5)
        return false;
    const std::optional<BssidKey> key = BssidKey::fromText(line.substr(0, 12));
    return key && database_.optedOut().contains(*key);
}

bool Uploader::readable(size_t i, std::string_view line) {
    static const RecordKind kKinds[5] = {RecordKind::Country, RecordKind::Province,
                                         RecordKind::City, RecordKind::Area, RecordKind::Building};
    if (i < 5) {
        const RecordFields fields = parseRecordFields(kKinds[i], line);
        return fields.id != 0 && !fields.name.empty();
    }
    const LocationFields fields = parseLocationFields(line);
    return BssidKey::fromText(fields.bssid) && fields.buildingId != 0;
}

Uploader::LocalLines Uploader::sendable(const LocalLines& local, size_t* unreadable) const {
    LocalLines kept;
    for (size_t i = 0; i < local.size(); ++i) {
        forEachLine(local[i], [&](std::string_view line) {
            if (optedOut(i, line))
                return;
            if (!readable(i, line)) {
                if (unreadable)
                    ++*unreadable;
                return;
            }
            kept[i] += line;
            kept[i] += '\n';
        });
    }
    return kept;
}

ScanFile::Upload Uploader::collectScans() const {
    AskedList& optedOut = database_.optedOut();
    return database_.scanFile().collectUpload(
        [&](const BssidKey& key) { return optedOut.contains(key); });
}

std::string Uploader::bodyOf(const std::wstring& user, const std::wstring& password,
                             const LocalLines& local, const std::string& scanLines) {
    static const char* const kHeadings[6] = {"- countries\n", "- provinces\n", "- cities\n",
                                             "- areas\n",     "- buildings\n", "- aps\n"};
    std::string body = "- login\n";
    body += narrow(user) + "\n";
    body += makeLoginToken(password) + "\n";
    for (size_t i = 0; i < local.size(); ++i) {
        if (!local[i].empty())
            body += kHeadings[i] + local[i];
    }
    if (!scanLines.empty())
        body += "- scans\n" + scanLines;
    body += "- end\n";
    return body;
}

std::string Uploader::makeBody(const std::wstring& user, const std::wstring& password) const {
    return bodyOf(user, password, sendable(collectLocalLines()), collectScans().wireLines);
}

Uploader::Summary Uploader::summary() const {
    Summary summary;
    LocalLines local;
    std::string scans;
    {
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        local = sendable(collectLocalLines(), &summary.unreadable);
        scans = collectScans().wireLines;
    }
    for (size_t i = 0; i < local.size(); ++i) {
        size_t& count = i == 5 ? summary.places : summary.records;
        forEachLine(local[i], [&](std::string_view) { ++count; });
    }
    forEachLine(scans, [&](std::string_view) { ++summary.scans; });
    summary.server = settings::read(settings_, settings::Server);
    return summary;
}

bool Uploader::restoreUnsent(const LocalLines& before) {
    bool any = false;
    const auto tables = placeTables();
    for (size_t i = 0; i < tables.size(); ++i) {
        std::set<std::string_view> sent;
        forEachLine(sent_[i], [&](std::string_view line) { sent.insert(line); });
        std::string unsent;
        forEachLine(before[i], [&](std::string_view line) {
            if (!sent.count(line)) {
                unsent += line;
                unsent += "\r\n";
                any = any || (!optedOut(i, line) && readable(i, line));
            }
        });
        if (!unsent.empty())
            datafile::appendBytes(tables[i]->path(), unsent);
    }
    return any;
}

bool Uploader::startUpload(UploadDialogLink* dialog) {
    if (busy_)
        return false;
    {
        std::lock_guard<std::mutex> lock(dialogMutex_);
        dialog_ = dialog;
        resultUntaken_ = false;
    }
    if (settings::privateMode(settings_)) {
        report(kPrivateModeText);
        return false;
    }
    const std::wstring user = settings::read(settings_, settings::Username);
    if (user.empty())
        return false;
    {
        // The place files and the scans as one picture.
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        unreadable_ = 0;
        sent_ = sendable(collectLocalLines(), &unreadable_);
        sentScans_ = collectScans();
    }
    std::string body = bodyOf(user, passwords_.read(), sent_, sentScans_.wireLines);
    busy_ = true;
    section_ = 0;
    result_ = kResultNone;
    message_.clear();
    accepted_ = false;
    ended_ = false;
    records_.clear();
    scanCopies_.clear();
    {
        auto request = agent_.getRequest(kRequestKey);
        request->setHost(settings::read(settings_, settings::Server));
        request->setPath(kUploadPath);
        request->body = std::move(body);
        request->progressCallback = [this](WebProgress code) { onProgress(code); };
        request->lineCallback = [this](std::string_view line) { onLine(line); };
        request->pending = true;
    }
    agent_.wake();
    return true;
}

std::optional<std::wstring> Uploader::detachDialog() {
    std::lock_guard<std::mutex> lock(dialogMutex_);
    dialog_ = nullptr;
    if (!resultUntaken_)
        return std::nullopt;
    resultUntaken_ = false;
    return status_;
}

std::wstring Uploader::takeStatus() {
    std::lock_guard<std::mutex> lock(dialogMutex_);
    resultUntaken_ = false;
    return status_;
}

bool Uploader::toDialog(const std::wstring& text, bool result) {
    std::lock_guard<std::mutex> lock(dialogMutex_);
    if (!dialog_)
        return false;
    status_ = text;
    resultUntaken_ = result;
    dialog_->showStatus(text);
    return true;
}

void Uploader::report(const std::wstring& text) {
    if (!toDialog(text, true) && showMessage_)
        showMessage_(text);
}

void Uploader::onProgress(WebProgress code) {
    switch (code) {
    case WebProgress::Resolving:
        toDialog(L"Finding server...", false);
        break;
    case WebProgress::Connecting:
        toDialog(L"Connecting to server...", false);
        break;
    case WebProgress::Connected:
        toDialog(L"Sending data...", false);
        break;
    case WebProgress::RequestSent:
        toDialog(L"Waiting for reply...", false);
        break;
    case WebProgress::Receiving:
        toDialog(L"Receiving response...", false);
        break;
    case WebProgress::Completed:
        complete();
        finish();
        break;
    case WebProgress::Failed:
        // The user is told it failed and may upload again; the agent must not
        // send this request again by itself later.
        agent_.removeRequest(kRequestKey);
        report(L"Upload failed: could not connect");
        finish();
        break;
    }
}

void Uploader::onLine(std::string_view line) {
    if (line.empty() || line[0] != '-') {
        if (section_ >= 1 && section_ <= 8)
            records_.emplace_back(section_, line);
        else if (section_ == kScansSection)
            scanCopies_.emplace_back(line);
        else
            result_ = kResultBad;
        return;
    }
    if (line == "- nearbeam ok") {
        accepted_ = true;
    } else if (line == "- end") {
        ended_ = true;
    } else if (int section = LocationDatabase::sectionOfHeading(line)) {
        section_ = section;
    } else if (line == "- scans") {
        section_ = kScansSection;
    } else if (startsWith(line, "- error ")) {
        result_ = kResultRefused;
        message_ = line.substr(8);
    } else if (startsWith(line, "- msg ")) {
        message_ = line.substr(6);
    } else {
        section_ = 0;
    }
}

// The files change only once the whole reply is in, and only when the server
// said it took the records: the local lines that were sent go, then the server's
// copies are added, whichever order the reply's parts came in.
void Uploader::complete() {
    bool unsentKept = false;
    if (accepted_) {
        std::array<std::vector<std::string>, 9> bySection;
        for (auto& [section, line] : records_)
            bySection[section].push_back(std::move(line));
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        // Records saved while the upload ran were not sent: they stay local (and
        // keep their keys, so the server's copy of an older text is refused).
        const LocalLines before = collectLocalLines();
        database_.purgeAfterUpload();
        unsentKept = restoreUnsent(before);
        for (int section = 1; section <= 8; ++section) {
            TextTable* table = database_.tableForSection(section);
            if (table && !bySection[section].empty())
                table->appendServerLines(bySection[section]);
        }
    }
    if (accepted_) {
        // The scans sent give way to the server's copies; scans saved meanwhile
        // wait for the next upload.
        database_.scanFile().replaceUploaded(sentScans_.sentLines, scanCopies_);
        unsentKept = unsentKept || !collectScans().wireLines.empty();
    }
    records_.clear();
    scanCopies_.clear();
    if (accepted_ || ended_)
        database_.changed = true;

    const std::wstring message = widen(message_);
    message_.clear();
    if (result_ == kResultRefused) {
        report(L"Nearbeam server did not accept the upload. " + message);
    } else if (result_ == kResultBad || !accepted_) {
        report(L"Upload failed: Bad response. (Do you need to log in to the network?)");
    } else {
        if (!unsentKept)
            database_.setUploadNeeded(false);
        report(L"Upload successful! " + message + unreadableNote(unreadable_));
    }
}

void Uploader::finish() {
    busy_ = false;
    std::lock_guard<std::mutex> lock(dialogMutex_);
    if (dialog_)
        dialog_->uploadEnded();
}

} // namespace nearbeam
