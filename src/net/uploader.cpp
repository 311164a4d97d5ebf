#include "net/uploader.h"

#include "base/settings_keys.h"
#include "base/text.h"
#include "database/location_database.h"
#include "net/md5.h"

#include <array>

namespace nearbeam {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

Uploader::Uploader(WebAgent& agent, LocationDatabase& database, SettingsStore& settings,
                   PasswordStore& passwords, MessageFunction showMessage)
    : agent_(agent), database_(database), settings_(settings), passwords_(passwords),
      showMessage_(std::move(showMessage)) {}

std::string Uploader::makeLoginToken(const std::wstring& password) {
    return loginToken(narrow(password));
}

std::string Uploader::makeBody(const std::wstring& user, const std::wstring& password) const {
    std::string body = "- login\n";
    body += narrow(user) + "\n";
    body += makeLoginToken(password) + "\n";
    const std::array<std::pair<TextTable*, const char*>, 6> tables = {{
        {&database_.countries(), "- countries\n"},
        {&database_.provinces(), "- provinces\n"},
        {&database_.cities(), "- cities\n"},
        {&database_.areas(), "- areas\n"},
        {&database_.buildings(), "- buildings\n"},
        {&database_.locations(), "- aps\n"},
    }};
    // One lock over all six files: the body is one consistent picture of them.
    std::lock_guard<std::recursive_mutex> guard(database_.lock());
    for (const auto& [table, heading] : tables) {
        std::string local = table->collectLocal();
        if (!local.empty())
            body += heading + local;
    }
    body += "- end\n";
    return body;
}

bool Uploader::startUpload(UploadDialogLink* dialog) {
    if (busy_)
        return false;
    {
        std::lock_guard<std::mutex> lock(dialogMutex_);
        dialog_ = dialog;
        resultUntaken_ = false;
    }
    const std::wstring user = settings::read(settings_, settings::Username);
    if (user.empty())
        return false;
    std::string body = makeBody(user, passwords_.read());
    busy_ = true;
    section_ = 0;
    result_ = kResultNone;
    message_.clear();
    accepted_ = false;
    ended_ = false;
    records_.clear();
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
// said it took the records: the local lines go, then the server's copies are
// added, whichever order the reply's parts came in.
void Uploader::complete() {
    if (accepted_) {
        std::array<std::vector<std::string>, 9> bySection;
        for (auto& [section, line] : records_)
            bySection[section].push_back(std::move(line));
        std::lock_guard<std::recursive_mutex> guard(database_.lock());
        database_.purgeAfterUpload();
        for (int section = 1; section <= 8; ++section) {
            TextTable* table = database_.tableForSection(section);
            if (table && !bySection[section].empty())
                table->appendServerLines(bySection[section]);
        }
    }
    records_.clear();
    if (accepted_ || ended_)
        database_.changed = true;

    const std::wstring message = widen(message_);
    message_.clear();
    if (result_ == kResultRefused) {
        report(L"Nearbeam server did not accept the upload. " + message);
    } else if (result_ == kResultBad || !accepted_) {
        report(L"Upload failed: Bad response. (Do you need to log in to the network?)");
    } else {
        database_.setUploadNeeded(false);
        report(L"Upload successful! " + message);
    }
}

void Uploader::finish() {
    busy_ = false;
    std::lock_guard<std::mutex> lock(dialogMutex_);
    if (dialog_)
        dialog_->uploadEnded();
}

} // namespace nearbeam
