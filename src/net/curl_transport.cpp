#include "net/curl_transport.h"

#include "base/percent_encoding.h"
#include "base/text.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>

namespace nearbeam {
namespace {

using Steady = std::chrono::steady_clock;

// libcurl's process-wide set-up, once, before the first handle; it is not safe to
// run from two threads at once, which a function-local static rules out.
bool curlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// The path as it goes on the wire: bytes that may not stand in a request line,
// and "#" (which would end the address), written as %XX.
std::string wirePath(const std::wstring& path) {
    return percentEncode(narrow(path), [](unsigned char c) { return visibleByte(c) && c != '#'; });
}

std::string urlOf(const HttpAttempt& attempt) {
    std::string host = narrow(attempt.host);
    std::string url = attempt.secure ? "https://" : "http://";
    url += host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (attempt.port != 0)
        url += ":" + std::to_string(attempt.port);
    return url + wirePath(attempt.path);
}

// One attempt's state, handed to libcurl's callbacks.
struct Exchange {
    CURL* curl;
    HttpSink& sink;
    uint32_t silenceMs;
    bool progress = false;
    bool connected = false;
    bool statusGiven = false;
    Steady::time_point lastActivity = Steady::now();
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;

    void event(WebProgress code) {
        if (progress)
            sink.progress(code);
    }
};

int onSocketOptions(void* data, curl_socket_t, curlsocktype) {
    static_cast<Exchange*>(data)->event(WebProgress::Connecting);
    return CURL_SOCKOPT_OK;
}

// Called once the connection (and its TLS handshake) is made, before the request.
int onConnected(void* data, char*, char*, int, int) {
    auto* x = static_cast<Exchange*>(data);
    x->connected = true;
    x->lastActivity = Steady::now();
    x->event(WebProgress::Connected);
    return CURL_PREREQFUNC_OK;
}

int onDebug(CURL*, curl_infotype type, char*, size_t, void* data) {
    auto* x = static_cast<Exchange*>(data);
    if (type == CURLINFO_HEADER_OUT)
        x->event(WebProgress::RequestSent);
    return 0;
}

// Gives up when the agent stops, or when a connected server stays silent too long.
int onTick(void* data, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* x = static_cast<Exchange*>(data);
    if (x->sink.cancelled())
        return 1;
    const Steady::time_point now = Steady::now();
    if (down != x->lastDown || up != x->lastUp) {
        x->lastDown = down;
        x->lastUp = up;
        x->lastActivity = now;
    }
    return x->connected && now - x->lastActivity > std::chrono::milliseconds(x->silenceMs) ? 1 : 0;
}

size_t onHeader(char* text, size_t, size_t length, void* data) {
    auto* x = static_cast<Exchange*>(data);
    x->lastActivity = Steady::now();
    x->event(WebProgress::Receiving);
    const bool blank = length == 1 || (length == 2 && text[0] == '\r');
    if (!blank)
        return length;
    long code = 0;
    curl_easy_getinfo(x->curl, CURLINFO_RESPONSE_CODE, &code);
    if (code < 200 && code >= 100)
        return length; // an interim reply; the real head follows
    curl_off_t declared = -1;
    curl_easy_getinfo(x->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
    x->statusGiven = true;
    return x->sink.status(static_cast<int>(code), declared < 0 ? -1 : declared) ? length : 0;
}

size_t onBody(char* bytes, size_t, size_t length, void* data) {
    auto* x = static_cast<Exchange*>(data);
    x->lastActivity = Steady::now();
    x->event(WebProgress::Receiving);
    return x->sink.received(bytes, length) ? length : 0;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

} // namespace

CurlTransport::CurlTransport() : CurlTransport(Options()) {}

// libcurl is set up on the first exchange, not here: its TLS libraries' set-up
// costs memory that a program which never asks a server need not carry.
CurlTransport::CurlTransport(Options options) : options_(std::move(options)) {}

bool CurlTransport::perform(const HttpAttempt& attempt, HttpSink& sink) {
    if (!curlReady())
        return false;
    std::unique_ptr<CURL, CurlFree> handle(curl_easy_init());
    if (!handle)
        return false;
    CURL* c = handle.get();
    const HttpTimeouts& t = options_.timeouts;
    Exchange x{c, sink, t.receiveMs};
    x.progress = sink.wantsProgress();

    const std::string url = urlOf(attempt);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_USERAGENT, "CeHttp");
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.caFile.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, options_.caFile.c_str());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(t.connectMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(t.attemptMs));

    // The same head as the other transport writes; a POST carries no Content-Type.
    curl_slist* list = curl_slist_append(nullptr, "Accept: */*");
    list = curl_slist_append(list, "Pragma: no-cache");
    if (attempt.body)
        list = curl_slist_append(list, "Content-Type:");
    std::unique_ptr<curl_slist, CurlFree> headers(list);
    if (!headers)
        return false;
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    if (attempt.body) {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(attempt.body->size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, attempt.body->data());
    }

    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, onSocketOptions);
    curl_easy_setopt(c, CURLOPT_SOCKOPTDATA, &x);
    curl_easy_setopt(c, CURLOPT_PREREQFUNCTION, onConnected);
    curl_easy_setopt(c, CURLOPT_PREREQDATA, &x);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onTick);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &x);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
    if (x.progress) {
        // The debug hook is the only word of the request head leaving.
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, onDebug);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, &x);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    }

    x.event(WebProgress::Resolving);
    return curl_easy_perform(c) == CURLE_OK && x.statusGiven;
}

} // namespace nearbeam
