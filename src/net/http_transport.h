#pragma once
// The seam under the web agent: one HTTP attempt. The Windows program uses WinInet
// (net/win32/wininet_transport.h); the native build uses libcurl
// (net/curl_transport.h). Line splitting, buffer rules and the meaning of the
// progress events live once, in the web agent.

#include <cstddef>
#include <cstdint>
#include <string>

namespace nearbeam {

// The codes given to a request's progress callback.
enum class WebProgress : int {
    Resolving = 0,
    Connecting = 1,
    Connected = 2,
    RequestSent = 3,
    Receiving = 4,
    Completed = 5,
    Failed = 6,
};

struct HttpAttempt {
    std::wstring host;         // host name alone, without port
    uint16_t port = 0;         // 0: none written, the scheme's default port (80 or 443)
    std::wstring path;         // begins with "/", query included
    const std::string* body{}; // none: GET; present (even empty): POST
    bool secure = false;       // HTTPS: TLS with the server's certificate checked
};

// Receives what an attempt brings, in this order: progress events 0 to 4 (any of
// them any number of times), the response's status code, then the body's bytes.
class HttpSink {
  public:
    virtual ~HttpSink() = default;
    virtual void progress(WebProgress code) = 0;
    // The HTTP status code, and the Content-Length the server declared (-1 when
    // none). Returns false to abandon the attempt.
    virtual bool status(int code, int64_t contentLength) = 0;
    // A piece of the body. Returns false to abandon the attempt.
    virtual bool received(const char* data, size_t length) = 0;
    // True when the attempt should be given up as soon as possible (the agent is
    // stopping); transports look at it between waits.
    virtual bool cancelled() const { return false; }
    // False when nobody listens to progress events: a transport may then skip
    // asking for them.
    virtual bool wantsProgress() const { return true; }
};

struct HttpTimeouts {
    uint32_t connectMs = 20000;
    // The longest silence while sending or receiving before the attempt fails.
    uint32_t receiveMs = 30000;
    // The longest a whole attempt may take, so a server that sends a byte now and
    // then cannot hold the worker (and every other request) for ever.
    uint32_t attemptMs = 600000;
};

class HttpTransport {
  public:
    virtual ~HttpTransport() = default;
    // Performs one attempt. True when a response was read to its end; false when
    // any step failed, timed out, or the sink abandoned it.
    virtual bool perform(const HttpAttempt& attempt, HttpSink& sink) = 0;
};

} // namespace nearbeam
