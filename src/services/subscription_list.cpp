#include "services/subscription_list.h"

#include "base/file_ops.h"
#include "base/path_parts.h"
#include "base/text.h"
#include "base/text_compare.h"
#include "records/data_file.h"
#include "services/sharing_log.h"

#include <limits>

namespace nearbeam {
namespace {

constexpr std::string_view kMessagePrefix = "- nearbeam msg ";

bool parseUnsigned(std::string_view text, uint32_t& out) {
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<uint32_t>::max())
        return false;
    out = static_cast<uint32_t>(value);
    return true;
}

bool parseLevel(std::string_view text, int32_t& out) {
    const bool negative = !text.empty() && text[0] == '-';
    uint32_t magnitude = 0;
    if (!parseUnsigned(negative ? text.substr(1) : text, magnitude) || magnitude > 2147483647u)
        return false;
    out = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
    return true;
}

// The place of a record at a level; none for a level outside 0-6, or a place
// without a record at that level. Everywhere has identifier 0.
std::optional<uint32_t> scopeOf(LocationRecord& place, int32_t level) {
    place.resolveParents();
    NamedRecord* record = nullptr;
    switch (level) {
    case service_level::Everywhere:
        return 0u;
    case service_level::Network:
        record = place.network;
        break;
    case service_level::Country:
        record = place.country;
        break;
    case service_level::Province:
        record = place.province;
        break;
    case service_level::City:
        record = place.city;
        break;
    case service_level::Area:
        record = place.area;
        break;
    case service_level::Building:
        record = place.building;
        break;
    default:
        return std::nullopt;
    }
    if (!record)
        return std::nullopt;
    return record->id;
}

// Whether a line's first three fields are the key's (the key ends in its tab; a
// line of three fields has none after the URL).
bool beginsWithKey(std::string_view line, std::string_view key) {
    if (key.empty())
        return false;
    if (line.compare(0, key.size(), key) == 0)
        return true;
    return key.back() == '\t' && line == key.substr(0, key.size() - 1);
}

} // namespace

std::optional<ServiceMessage> parseServiceMessage(std::string_view line) {
    if (!startsWithNoCase(line, kMessagePrefix))
        return std::nullopt;
    line.remove_prefix(kMessagePrefix.size());
    if (!line.empty() && line.back() == '\r') // a service that ends its lines in CR LF
        line.remove_suffix(1);
    if (line.empty())
        return std::nullopt;
    std::wstring text = widen(std::string(line));
    // The alert must not read as markup.
    for (wchar_t& c : text) {
        if (c == L'<')
            c = L'{';
    }
    ServiceMessage message;
    const size_t space = text.find(L' ');
    const bool linked = text.compare(0, 7, L"http://") == 0 || text.compare(0, 8, L"https://") == 0;
    if (linked && space != std::wstring::npos) {
        message.link = text.substr(0, space);
        message.text = text.substr(space + 1);
        // An empty balloon is not shown at all: let the link speak for itself.
        if (message.text.empty())
            message.text = message.link;
    } else {
        message.text = std::move(text);
    }
    return message;
}

std::optional<Subscription> parseSubscriptionLine(std::string_view line) {
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos)
        return std::nullopt;
    const size_t tab3 = line.find('\t', tab2 + 1);
    Subscription entry;
    if (!parseUnsigned(line.substr(0, tab1), entry.scopeId) ||
        !parseLevel(line.substr(tab1 + 1, tab2 - tab1 - 1), entry.level))
        return std::nullopt;
    entry.url = std::string(line.substr(tab2 + 1, tab3 - tab2 - 1));
    if (entry.url.empty())
        return std::nullopt;
    if (tab3 != std::string_view::npos) {
        const std::string_view rest = line.substr(tab3 + 1);
        entry.name = std::string(rest.substr(0, rest.find('\t')));
        entry.key = std::string(line.substr(0, tab3 + 1));
    } else {
        entry.key = std::string(line) + '\t';
    }
    entry.status = record_status::Server;
    return entry;
}

SubscriptionList::SubscriptionList(WebAgent& agent, AlertHook showAlert)
    : agent_(agent), showAlert_(std::move(showAlert)) {}

std::string SubscriptionList::keyOf(uint32_t scopeId, int32_t level, const std::string& url) {
    return std::to_string(scopeId) + '\t' + std::to_string(level) + '\t' + url + '\t';
}

void SubscriptionList::setFile(const std::string& path) {
    if (path == path_)
        return;
    path_ = path;
    reload();
}

std::string SubscriptionList::besideFile(const char* name) const {
    const std::string folder = folderOf(path_);
    return folder.empty() ? std::string() : folder + name;
}

std::string SubscriptionList::newSubscriptionsPath() const {
    return besideFile(kNewSubscriptionsFile);
}

std::string SubscriptionList::sharingLogPath() const {
    return besideFile(SharingLog::kFileName);
}

void SubscriptionList::reload() {
    entries_.clear();
    // Whole lines: a long URL cut into pieces would send a truncated address and
    // make a second, bogus subscription of its end.
    datafile::LineReader reader(path_);
    if (!reader.isOpen())
        return;
    std::string_view line;
    while (reader.next(line)) {
        if (auto entry = parseSubscriptionLine(datafile::lineText(line)))
            entries_.push_back(std::move(*entry));
    }
}

bool SubscriptionList::addSubscription(int32_t level, uint32_t scopeId, const std::wstring& url) {
    const std::string narrowUrl = narrow(url);
    if (narrowUrl.empty() || narrowUrl.find_first_of("\t\r\n") != std::string::npos)
        return false;
    const std::string line = keyOf(scopeId, level, narrowUrl) + "-";
    if (!datafile::appendLine(path_, line))
        return false;
    if (auto entry = parseSubscriptionLine(line))
        entries_.push_back(std::move(*entry));
    return true;
}

bool SubscriptionList::removeSubscription(const std::wstring& key) {
    const std::string narrowKey = narrow(key);
    const std::optional<std::string> kept = datafile::linesWhere(
        path_, [&](std::string_view text) { return !beginsWithKey(text, narrowKey); });
    if (!kept)
        return false;
    const bool replaced = replaceFileContent(path_, *kept);
    reload();
    return replaced;
}

void SubscriptionList::locationChanged(LocationRecord& place) {
    bool queued = false;
    for (Subscription& entry : entries_) {
        const std::optional<uint32_t> scope = scopeOf(place, entry.level);
        if (!scope || *scope != entry.scopeId)
            continue;
        const std::string url = place.expandTemplate(entry.url);
        if (url == entry.lastUrl)
            continue;
        // An address the agent cannot use queues nothing: the slot keeps no stale
        // host, and no request waits for ever without one.
        WebRequest target;
        if (!target.setUrl(url))
            continue;
        entry.lastUrl = url;
        SharingLog(sharingLogPath()).record(std::time(nullptr), entry.key, url);
        {
            auto request = agent_.getRequest(entry.url);
            request->host = target.host;
            request->secure = target.secure;
            request->path = target.path;
            request->body.reset();
            // A service that cannot be reached is not tried again: its request
            // would end every later pass of the agent before the upload's turn.
            request->progressCallback = [this, key = entry.url](WebProgress code) {
                if (code == WebProgress::Failed)
                    agent_.removeRequest(key);
            };
            request->lineCallback = [this](std::string_view line) { subscriptionMessage(line); };
            request->pending = true;
        }
        queued = true;
    }
    if (queued)
        agent_.wake();
}

void SubscriptionList::subscriptionMessage(std::string_view line) {
    if (auto message = parseServiceMessage(line)) {
        if (showAlert_)
            showAlert_(message->text, kAlertTitle, message->link);
    }
}

bool SubscriptionList::processNewSubscriptions(const OfferHook& offer) {
    if (offering_)
        return false;
    const std::string path = newSubscriptionsPath();
    offering_ = true;
    size_t offered = 0;
    bool found = false;
    bool shown = true;
    while (shown) {
        std::vector<std::string> lines;
        {
            datafile::LineReader reader(path);
            if (!reader.isOpen())
                break;
            found = true;
            std::string_view line;
            while (reader.next(line))
                lines.emplace_back(datafile::lineText(line));
            // Other programs write this file: their last line may lack its break.
            if (!reader.unfinished().empty())
                lines.emplace_back(reader.unfinished());
        }
        if (lines.size() <= offered)
            break;
        // The file stays closed while the user decides, so its writer can add to it.
        for (size_t i = offered; i < lines.size() && shown; ++i) {
            if (!lines[i].empty() && offer)
                shown = offer(widen(lines[i]));
        }
        offered = lines.size();
    }
    if (found && shown)
        removeFile(path);
    offering_ = false;
    return found;
}

} // namespace nearbeam
