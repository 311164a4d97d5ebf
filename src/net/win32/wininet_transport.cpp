#include "net/win32/wininet_transport.h"

#include <windows.h>
#include <wininet.h>

namespace nearbeam {
namespace {

// Handed to WinInet as the context of the connection and request handles; the
// status callback finds the sink through it.
struct AttemptContext {
    HttpSink* sink;
};

void CALLBACK statusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
    if (context == 0)
        return; // the root handle's own events
    HttpSink* sink = reinterpret_cast<AttemptContext*>(context)->sink;
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
        sink->progress(WebProgress::Resolving);
        break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
        sink->progress(WebProgress::Connecting);
        break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        sink->progress(WebProgress::Connected);
        break;
    case INTERNET_STATUS_REQUEST_SENT:
        sink->progress(WebProgress::RequestSent);
        break;
    case INTERNET_STATUS_RECEIVING_RESPONSE:
        sink->progress(WebProgress::Receiving);
        break;
    default:
        break;
    }
}

// Closes the three handles in order, whatever the outcome.
struct Handles {
    HINTERNET root = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    ~Handles() {
        if (request)
            InternetCloseHandle(request);
        if (connection)
            InternetCloseHandle(connection);
        if (root)
            InternetCloseHandle(root);
    }
};

void setTimeouts(HINTERNET handle, const HttpTimeouts& timeouts) {
    DWORD connect = timeouts.connectMs;
    DWORD receive = timeouts.receiveMs;
    InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionW(handle, INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    InternetSetOptionW(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

} // namespace

bool WinInetTransport::perform(const HttpAttempt& attempt, HttpSink& sink) {
    const DWORD started = GetTickCount();
    AttemptContext context{&sink};
    DWORD_PTR contextValue = reinterpret_cast<DWORD_PTR>(&context);
    Handles h;
    h.root = InternetOpenW(L"CeHttp", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!h.root)
        return false;
    if (sink.wantsProgress())
        InternetSetStatusCallbackW(h.root, statusCallback);
    // Time-outs are honoured only on the connection and request handles.
    setTimeouts(h.root, timeouts_);
    // Port 0 is INTERNET_INVALID_PORT_NUMBER: the default HTTP port, so HTTPS names its own.
    INTERNET_PORT port = attempt.port;
    if (port == 0 && attempt.secure)
        port = INTERNET_DEFAULT_HTTPS_PORT;
    h.connection = InternetConnectW(h.root, attempt.host.c_str(), port, nullptr, nullptr,
                                    INTERNET_SERVICE_HTTP, 0, contextValue);
    if (!h.connection)
        return false;
    setTimeouts(h.connection, timeouts_);
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    // TLS with the certificate checked: a certificate error fails the request.
    const DWORD flags = attempt.secure ? INTERNET_FLAG_SECURE : 0;
    h.request = HttpOpenRequestW(
        h.connection, attempt.body ? L"POST" : L"GET", attempt.path.c_str(), L"HTTP/1.0", nullptr,
        acceptTypes, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | flags, contextValue);
    if (!h.request)
        return false;
    setTimeouts(h.request, timeouts_);
    // The body's bytes without a terminator; a GET sends no data.
    void* data = attempt.body ? const_cast<char*>(attempt.body->data()) : nullptr;
    DWORD length = attempt.body ? static_cast<DWORD>(attempt.body->size()) : 0;
    if (!HttpSendRequestW(h.request, nullptr, 0, data, length))
        return false;

    DWORD code = 0;
    DWORD size = sizeof code;
    if (!HttpQueryInfoW(h.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                        nullptr))
        return false;
    int64_t declared = -1;
    wchar_t lengthText[32];
    DWORD lengthSize = sizeof lengthText;
    if (HttpQueryInfoW(h.request, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
        declared = 0;
        for (const wchar_t* p = lengthText; *p; ++p) {
            if (*p < L'0' || *p > L'9' || declared > (int64_t(1) << 40)) {
                declared = -1;
                break;
            }
            declared = declared * 10 + (*p - L'0');
        }
    }
    if (!sink.status(static_cast<int>(code), declared))
        return false;

    char buffer[8000];
    for (;;) {
        if (sink.cancelled() || GetTickCount() - started > timeouts_.attemptMs)
            return false;
        DWORD got = 0;
        if (!InternetReadFile(h.request, buffer, sizeof buffer, &got))
            return false;
        if (got == 0)
            return true;
        if (!sink.received(buffer, got))
            return false;
    }
}

} // namespace nearbeam
