#pragma once
// The subscriptions to location-based services: the user's consents, kept in
// subscriptions.txt of the data folder, one line per subscription:
//
//   scope identifier TAB level TAB url TAB "-"
//
// On every change of place each subscription whose policy covers the new place
// sends its filled-in URL to the service through the web agent, once per distinct
// URL; a service's "- nearbeam msg " reply line becomes a popup alert. Other
// programs offer new subscriptions by writing their URLs, one per line, into
// new-subscriptions.txt beside subscriptions.txt.

#include "net/web_agent.h"
#include "records/records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nearbeam {

struct Subscription : ServiceRecord {
    // The line's first three fields with their tabs, as read: the key by which
    // the Options dialog deletes it.
    std::string key;
    // The URL last sent for this subscription; in memory only.
    std::string lastUrl;
};

// A service's message: the alert's text and its link (empty for none).
struct ServiceMessage {
    std::wstring text;
    std::wstring link;
};

// The message a reply line carries; none for any other line and for an empty
// message.
std::optional<ServiceMessage> parseServiceMessage(std::string_view line);

// The subscription a line of subscriptions.txt (without its line break) stands
// for; none for a line without a scope identifier, level and URL.
std::optional<Subscription> parseSubscriptionLine(std::string_view line);

class SubscriptionList {
  public:
    static constexpr const wchar_t* kAlertTitle = L"Nearbeam Subscription";
    static constexpr const char* kNewSubscriptionsFile = "new-subscriptions.txt";

    // Shows a popup alert: text, title, link (empty for none). Called on the web
    // agent's thread.
    using AlertHook = std::function<void(const std::wstring& text, const std::wstring& title,
                                         const std::wstring& link)>;
    // Offers one new subscription's URL to the user (the subscription dialog);
    // false when the offer could not be shown.
    using OfferHook = std::function<bool(const std::wstring& url)>;

    // Stop the web agent before this object goes: its requests call back here.
    SubscriptionList(WebAgent& agent, AlertHook showAlert);
    SubscriptionList(const SubscriptionList&) = delete;
    SubscriptionList& operator=(const SubscriptionList&) = delete;

    // The path of subscriptions.txt; a new path is taken and read.
    void setFile(const std::string& path);
    const std::string& file() const { return path_; }
    // new-subscriptions.txt in the same folder; empty before setFile.
    std::string newSubscriptionsPath() const;
    // sharing.txt in the same folder, where every request sent is logged.
    std::string sharingLogPath() const;

    // Rebuilds the entries from the file; empty when it cannot be read.
    void reload();
    // Appends the subscription to the file and the entries. False, with nothing
    // added, when the URL is empty or holds a tab or line break (it would not read
    // back as one field), or the file cannot be written.
    bool addSubscription(int32_t level, uint32_t scopeId, const std::wstring& url);
    // Removes every line that begins with the key (the first three fields with
    // their tabs), replacing the file in one step, then reloads. False when the
    // file could not be read or replaced (it is left as it was).
    bool removeSubscription(const std::wstring& key);

    // The place changed: queues the filled-in URL of every subscription whose
    // policy covers it and whose URL differs from the one it sent last, one
    // request slot per template, logs each in the sharing log, then wakes the web
    // agent once. An update whose
    // service cannot be reached is dropped, not retried.
    void locationChanged(LocationRecord& place);
    // A reply line of a service (web agent's thread).
    void subscriptionMessage(std::string_view line);

    // Offers every non-empty line of new-subscriptions.txt, in order, then deletes
    // the file. Lines another program adds while the offers are shown are offered
    // too. An offer that cannot be shown ends the pass and keeps the file for the
    // next time. A call made from within an offer returns at once. False when
    // there was no file to read.
    bool processNewSubscriptions(const OfferHook& offer);

    const std::vector<Subscription>& entries() const { return entries_; }

    // The key of a subscription made here: "%lu\t%i\t%s\t".
    static std::string keyOf(uint32_t scopeId, int32_t level, const std::string& url);

  private:
    std::string besideFile(const char* name) const;

    WebAgent& agent_;
    AlertHook showAlert_;
    std::string path_;
    std::vector<Subscription> entries_;
    bool offering_ = false;
};

} // namespace nearbeam
