#include "net/socket_transport.h"

#include "base/text.h"
#include "net/http_text.h"
#include "net/socket.h"

#include <algorithm>
#include <chrono>

namespace nearbeam {
namespace {

constexpr size_t kMaxHead = 65536;
constexpr uint32_t kSliceMs = 100;

// Receives with a limit on silence, looking at the sink's cancel request between
// short waits so that a stopping agent is not held for the whole time-out.
net::IoResult receiveWithin(net::Socket& socket, char* buffer, size_t capacity, size_t& got,
                            const HttpSink& sink, uint32_t silenceMs) {
    uint32_t waited = 0;
    for (;;) {
        uint32_t slice = std::min(kSliceMs, silenceMs - waited);
        net::IoResult r = socket.receive(buffer, capacity, got, slice);
        if (r != net::IoResult::TimedOut)
            return r;
        waited += slice;
        if (sink.cancelled())
            return net::IoResult::Failed;
        if (waited >= silenceMs)
            return net::IoResult::TimedOut;
    }
}

} // namespace

bool SocketTransport::perform(const HttpAttempt& attempt, HttpSink& sink) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts_.attemptMs);
    auto overdue = [&] { return std::chrono::steady_clock::now() > deadline; };
    sink.progress(WebProgress::Resolving);
    if (!net::startSockets())
        return false;
    std::string host = narrow(attempt.host);
    sink.progress(WebProgress::Connecting);
    const uint16_t port = attempt.port != 0 ? attempt.port : 80;
    std::string error;
    net::Socket socket = net::connectTo(host, port, timeouts_.connectMs, error);
    if (!socket.valid())
        return false;
    sink.progress(WebProgress::Connected);

    std::string request =
        (attempt.body ? "POST " : "GET ") + narrow(attempt.path) + " HTTP/1.0\r\n";
    request += "Host: " + host;
    if (port != 80)
        request += ":" + std::to_string(port);
    request += "\r\nUser-Agent: CeHttp\r\nAccept: */*\r\nPragma: no-cache\r\n";
    if (attempt.body)
        request += "Content-Length: " + std::to_string(attempt.body->size()) + "\r\n";
    request += "\r\n";
    if (attempt.body)
        request += *attempt.body;
    if (!socket.sendAll(request.data(), request.size(), timeouts_.receiveMs))
        return false;
    sink.progress(WebProgress::RequestSent);

    char buffer[8192];
    std::string head;
    size_t end = std::string::npos;
    while (end == std::string::npos) {
        size_t got = 0;
        if (receiveWithin(socket, buffer, sizeof buffer, got, sink, timeouts_.receiveMs) !=
            net::IoResult::Ok)
            return false; // a response without a complete head is no response
        sink.progress(WebProgress::Receiving);
        head.append(buffer, got);
        end = http::headEnd(head);
        if (end == std::string::npos && (head.size() > kMaxHead || overdue()))
            return false;
    }
    std::string_view headText(head.data(), end);
    int code = http::statusCode(headText);
    if (code < 0 || !sink.status(code, http::contentLength(headText)))
        return false;
    if (head.size() > end && !sink.received(head.data() + end, head.size() - end))
        return false;
    for (;;) {
        size_t got = 0;
        net::IoResult r =
            receiveWithin(socket, buffer, sizeof buffer, got, sink, timeouts_.receiveMs);
        if (r == net::IoResult::Closed)
            return true;
        if (r != net::IoResult::Ok || overdue())
            return false;
        sink.progress(WebProgress::Receiving);
        if (!sink.received(buffer, got))
            return false;
    }
}

} // namespace nearbeam
