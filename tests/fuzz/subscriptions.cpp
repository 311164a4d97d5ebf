// The subscription files and a service's reply lines, whatever they hold: a reply
// line gives a message without markup and only a web link; subscriptions.txt
// reads back, deleting by a key leaves no line of that key, and every line of
// new-subscriptions.txt is offered at most once before the file goes.

#include "base/clock.h"
#include "base/file_ops.h"
#include "base/text.h"
#include "fuzz_files.h"
#include "services/subscription_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace nearbeam;

namespace {

class NoTransport : public HttpTransport {
  public:
    bool perform(const HttpAttempt&, HttpSink&) override { return false; }
};

size_t lineCount(std::string_view bytes) {
    size_t lines = 0;
    for (char c : bytes)
        lines += c == '\n';
    return lines + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    if (auto message = parseServiceMessage(input)) {
        if (message->text.empty() || message->text.find(L'<') != std::wstring::npos)
            std::abort();
        if (!message->link.empty() && message->link.compare(0, 7, L"http://") != 0 &&
            message->link.compare(0, 8, L"https://") != 0)
            std::abort();
    }
    if (auto entry = parseSubscriptionLine(input)) {
        if (entry->url.empty() ||
            input.compare(0, entry->key.size() - 1, entry->key, 0, entry->key.size() - 1) != 0)
            std::abort();
    }

    static NoTransport transport;
    static SteadyClock clock;
    static WebAgent agent(transport, clock, WebAgent::Options{WebAgent::kWaitMs, false});
    SubscriptionList list(agent, nullptr);
    const std::string path = fuzz::folder() + "subscriptions.txt";
    fuzz::writeFile(path, std::string(input));
    list.setFile(path);
    list.reload();
    if (!list.entries().empty()) {
        const std::string key = list.entries().front().key;
        list.removeSubscription(widen(key));
        for (const Subscription& left : list.entries()) {
            if (left.key == key)
                std::abort();
        }
    }

    fuzz::writeFile(list.newSubscriptionsPath(), std::string(input));
    size_t offered = 0;
    list.processNewSubscriptions([&](const std::wstring& url) {
        if (url.empty())
            std::abort();
        ++offered;
        return true;
    });
    if (offered > lineCount(input) || fileStamp(list.newSubscriptionsPath()).size != -1)
        std::abort();
    return 0;
}
