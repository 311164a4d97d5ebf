#include "net/web_agent.h"

#include "base/text.h"
#include "net/line_splitter.h"

namespace nearbeam {
namespace {

// What one attempt hands back to the agent: progress events for the client,
// the status, and the body cut into lines.
class AttemptSink : public HttpSink {
  public:
    AttemptSink(const WebRequest& request, const std::atomic<bool>& stopping)
        : request_(request), stopping_(stopping) {}

    void progress(WebProgress code) override {
        if (request_.progressCallback && static_cast<int>(code) <= 4)
            request_.progressCallback(code);
    }
    bool status(int code, int64_t contentLength) override {
        // An error page is no answer: the attempt fails and the request stays queued.
        statusOk_ = code >= 200 && code < 300;
        declaredLength_ = contentLength;
        return statusOk_;
    }
    bool received(const char* data, size_t length) override {
        receivedLength_ += length;
        splitter_.feed(data, length, request_.lineCallback);
        return !stopping_;
    }
    bool cancelled() const override { return stopping_; }
    bool wantsProgress() const override { return static_cast<bool>(request_.progressCallback); }

    // A reply shorter than its declared length was cut off on the way.
    bool complete() const {
        return statusOk_ &&
               (declaredLength_ < 0 || receivedLength_ >= static_cast<uint64_t>(declaredLength_));
    }

  private:
    const WebRequest& request_;
    const std::atomic<bool>& stopping_;
    LineSplitter splitter_;
    bool statusOk_ = false;
    int64_t declaredLength_ = -1;
    uint64_t receivedLength_ = 0;
};

bool parsePort(const std::wstring& digits, uint16_t& port) {
    if (digits.empty() || digits.size() > 5)
        return false;
    uint32_t value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

void WebRequest::setHost(const std::wstring& h) {
    secure = h.compare(0, 8, L"https://") == 0;
    host = secure ? h.substr(8) : h.compare(0, 7, L"http://") == 0 ? h.substr(7) : h;
}

bool WebRequest::setUrl(const std::string& url) {
    const bool https = url.compare(0, 8, "https://") == 0;
    if (!https && url.compare(0, 7, "http://") != 0)
        return false;
    const size_t start = https ? 8 : 7;
    size_t slash = url.find('/', start);
    if (slash == std::string::npos)
        return false;
    secure = https;
    host = widen(url.substr(start, slash - start));
    path = widen(url.substr(slash));
    return true;
}

bool splitHostPort(const std::wstring& host, std::wstring& name, uint16_t& port) {
    port = 0;
    if (!host.empty() && host[0] == L'[') { // [v6 address] or [v6 address]:port
        size_t close = host.find(L']');
        if (close == std::wstring::npos)
            return false;
        name = host.substr(1, close - 1);
        if (close + 1 == host.size())
            return true;
        return host[close + 1] == L':' && parsePort(host.substr(close + 2), port);
    }
    size_t colon = host.find(L':');
    if (colon == std::wstring::npos) {
        name = host;
        return true;
    }
    if (host.find(L':', colon + 1) != std::wstring::npos) { // a bare v6 address
        name = host;
        return true;
    }
    name = host.substr(0, colon);
    return parsePort(host.substr(colon + 1), port);
}

WebAgent::WebAgent(HttpTransport& transport, Clock& clock)
    : WebAgent(transport, clock, Options()) {}

WebAgent::WebAgent(HttpTransport& transport, Clock& clock, Options options)
    : transport_(transport), clock_(clock), options_(options) {
    if (options_.startWorker)
        worker_ = std::thread([this] { workerLoop(); });
}

WebAgent::~WebAgent() {
    stop();
}

WebAgent::RequestLock WebAgent::getRequest(const std::string& key) {
    std::unique_lock<std::mutex> lock(tableMutex_);
    Slot& slot = table_[key];
    ++slot.generation;
    return RequestLock(std::move(lock), &slot.request);
}

bool WebAgent::removeRequest(const std::string& key) {
    std::lock_guard<std::mutex> lock(tableMutex_);
    return table_.erase(key) != 0;
}

bool WebAgent::isPending(const std::string& key) {
    std::lock_guard<std::mutex> lock(tableMutex_);
    auto it = table_.find(key);
    return it != table_.end() && it->second.request.pending;
}

void WebAgent::setHold(std::function<bool()> held) {
    std::lock_guard<std::mutex> lock(tableMutex_);
    held_ = std::move(held);
}

void WebAgent::wake() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        woken_ = true;
    }
    wakeSignal_.notify_one();
}

void WebAgent::stop() {
    stopping_ = true;
    wake();
    // A callback that stops the agent runs on the worker itself: the loop ends
    // after the callback returns, and the owner's later stop joins it.
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

bool WebAgent::settle(uint32_t boundMs) {
    if (!worker_.joinable())
        return true;
    std::unique_lock<std::mutex> lock(wakeMutex_);
    timedPassAsked_ = true;
    wakeSignal_.notify_one();
    return idleSignal_.wait_for(lock, std::chrono::milliseconds(boundMs), [this] {
        return stopping_ || (!woken_ && !timedPassAsked_ && !busy_);
    });
}

void WebAgent::workerLoop() {
    for (;;) {
        bool woken;
        {
            std::unique_lock<std::mutex> lock(wakeMutex_);
            wakeSignal_.wait_for(lock, std::chrono::milliseconds(options_.waitMs),
                                 [this] { return woken_ || timedPassAsked_; });
            woken = woken_;
            woken_ = false;
            timedPassAsked_ = false;
            busy_ = !stopping_;
        }
        if (stopping_) {
            idleSignal_.notify_all();
            return;
        }
        if (woken)
            runPending();
        else
            runTimedPass();
        {
            std::lock_guard<std::mutex> lock(wakeMutex_);
            busy_ = false;
        }
        idleSignal_.notify_all();
    }
}

void WebAgent::runTimedPass() {
    // Inside the window while retry-after is ahead of now by less than the window;
    // the unsigned difference keeps this right when the tick count wraps.
    uint32_t ahead = retryAfter_.load() - clock_.tickCount();
    if (ahead < kRetryWindowMs)
        return;
    runPending();
}

void WebAgent::runPending() {
    std::string after;
    bool first = true;
    while (!stopping_) {
        WebRequest snapshot;
        std::string key;
        uint64_t generation = 0;
        {
            std::lock_guard<std::mutex> lock(tableMutex_);
            if (held_ && held_())
                return;
            auto it = first ? table_.begin() : table_.upper_bound(after);
            while (it != table_.end() && !it->second.request.pending)
                ++it;
            if (it == table_.end())
                return;
            key = it->first;
            snapshot = it->second.request;
            generation = it->second.generation;
        }
        first = false;
        after = key;
        bool ok = perform(snapshot);
        std::lock_guard<std::mutex> lock(tableMutex_);
        if (!ok) {
            retryAfter_ = clock_.tickCount() + kRetryWindowMs;
            return;
        }
        // A request refilled while its attempt ran stays for its own turn.
        auto it = table_.find(key);
        if (it != table_.end() && it->second.generation == generation)
            table_.erase(it);
    }
}

bool WebAgent::perform(const WebRequest& request) {
    if (!request.pending)
        return false;
    HttpAttempt attempt;
    attempt.path = request.path;
    attempt.secure = request.secure;
    attempt.body = request.body ? &*request.body : nullptr;
    AttemptSink sink(request, stopping_);
    bool ok = splitHostPort(request.host, attempt.host, attempt.port) && !attempt.host.empty() &&
              transport_.perform(attempt, sink) && sink.complete();
    if (request.progressCallback)
        request.progressCallback(ok ? WebProgress::Completed : WebProgress::Failed);
    return ok;
}

} // namespace nearbeam
