#pragma once
// The web agent runs every HTTP exchange of the program on one worker thread, so
// the user-interface thread never waits on the network. Clients fill a request
// slot named by a key ("download", "upload", a subscription's address template),
// mark it pending and wake the worker; the worker performs pending requests one at
// a time in byte order of their keys and hands the response back line by line,
// with progress events, on the worker thread. A failed attempt leaves its request
// queued and makes the timed passes wait out a retry window of five minutes.

#include "base/clock.h"
#include "net/http_transport.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace nearbeam {

// A complete response line without its line feed (a CR before it stays).
using LineCallback = std::function<void(std::string_view line)>;
using ProgressCallback = std::function<void(WebProgress code)>;

struct WebRequest {
    // Host name, optionally followed by ":port" (the scheme's default otherwise).
    std::wstring host;
    // HTTPS rather than plain HTTP.
    bool secure = false;
    // Object path with query, beginning with "/".
    std::wstring path;
    // None: GET. Present, even empty: POST of these bytes (no Content-Type).
    std::optional<std::string> body;
    LineCallback lineCallback;
    ProgressCallback progressCallback;
    bool pending = false;

    // Takes "host[:port]", "http://host[:port]" or "https://host[:port]" (a server
    // setting); a bare host means plain HTTP.
    void setHost(const std::wstring& h);
    void setPath(const std::wstring& p) { path = p; }
    // Takes host and path from an address "http://host[:port]/path[?query]" or the
    // same with "https://". The scheme is compared case-sensitively; false (nothing
    // changed) for any other scheme or an address without a "/" after the host.
    bool setUrl(const std::string& url);
};

// Splits "name:port" (or "[v6]:port"). A host without a port gets port 0 (the
// default HTTP port). False for a port that is not a number from 1 to 65535.
bool splitHostPort(const std::wstring& host, std::wstring& name, uint16_t& port);

class WebAgent {
  public:
    static constexpr uint32_t kWaitMs = 60000;
    static constexpr uint32_t kRetryWindowMs = 300000;

    struct Options {
        // The worker's longest sleep between passes.
        uint32_t waitMs = kWaitMs;
        // Tests that drive the passes themselves (runPending, runTimedPass) start
        // no worker.
        bool startWorker = true;
    };

    // Access to one request slot. While it lives the request table is locked: the
    // worker never sees a half-filled request. Release it before calling wake.
    class RequestLock {
      public:
        WebRequest* operator->() const { return request_; }
        WebRequest& operator*() const { return *request_; }

      private:
        friend class WebAgent;
        RequestLock(std::unique_lock<std::mutex> lock, WebRequest* request)
            : lock_(std::move(lock)), request_(request) {}
        std::unique_lock<std::mutex> lock_;
        WebRequest* request_;
    };

    WebAgent(HttpTransport& transport, Clock& clock);
    WebAgent(HttpTransport& transport, Clock& clock, Options options);
    ~WebAgent();
    WebAgent(const WebAgent&) = delete;
    WebAgent& operator=(const WebAgent&) = delete;

    // The request stored under key, created empty if there is none. A request still
    // queued from an earlier failure is returned as it is, for the caller to refill.
    RequestLock getRequest(const std::string& key);
    // Takes a request out of the table, queued or not. False if there was none.
    bool removeRequest(const std::string& key);
    // Whether a request is stored under key and pending.
    bool isPending(const std::string& key);

    // While held answers true nothing is sent: requests stay queued for a pass
    // after it answers false again (the user's private mode). Asked before each
    // request, with the request table locked.
    void setHold(std::function<bool()> held);

    // The worker runs a pass at once, regardless of the retry window.
    void wake();
    // The worker runs the pass its wait would run (a retry only once the retry
    // window has passed on the clock), then this waits until no pass is asked for
    // or under way: every pending request has had its attempt. False when boundMs
    // (real time) ran out first. True at once without a worker.
    bool settle(uint32_t boundMs);
    // Ends the worker: any attempt under way is given up at its next wait (at the
    // latest after the transport's time-out), then the thread is joined. Requests
    // stay in the table. Called by the destructor; destroy the agent before the
    // objects its callbacks refer to, and never from one of its callbacks.
    void stop();

    // One pass over the pending requests in key order; ends at the first failure.
    void runPending();
    // What the worker does when its wait times out: a pass, unless inside the retry
    // window of the last failure.
    void runTimedPass();

  private:
    struct Slot {
        WebRequest request;
        uint64_t generation = 0; // counts refills, so an attempt knows if it is stale
    };

    void workerLoop();
    bool perform(const WebRequest& request);

    HttpTransport& transport_;
    Clock& clock_;
    Options options_;

    std::mutex tableMutex_;
    std::map<std::string, Slot> table_; // std::string compares bytes as unsigned
    std::function<bool()> held_;
    std::atomic<uint32_t> retryAfter_{0};

    std::mutex wakeMutex_;
    std::condition_variable wakeSignal_;
    bool woken_ = false;
    bool timedPassAsked_ = false;
    bool busy_ = false; // a pass is under way
    std::condition_variable idleSignal_;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

} // namespace nearbeam
