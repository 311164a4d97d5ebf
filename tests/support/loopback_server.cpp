#include "support/loopback_server.h"

#include "net/http_text.h"
#include "server/storage/folder_io.h"

#include <chrono>

namespace nearbeam {
namespace {

constexpr size_t kMaxHead = 65536;
constexpr size_t kMaxBody = 4 * 1024 * 1024;
constexpr uint32_t kSliceMs = 50;

const char kSignInPage[] = "<!DOCTYPE html>\n"
                           "<html><head><title>Sign in</title></head>\n"
                           "<body><h1>Welcome to the network</h1>\n"
                           "<p>Please sign in to use the Internet.</p>\n"
                           "<form method=\"post\" action=\"/login\">\n"
                           "<input name=\"user\"> <input name=\"password\" type=\"password\">\n"
                           "</form></body></html>\n";

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 503:
        return "Service Unavailable";
    default:
        return "Internal Server Error";
    }
}

std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

LoopbackServer::LoopbackServer(Options options)
    : options_(std::move(options)), misbehaviour_(options_.misbehaviour) {
    std::string error;
    loaded_ = importFolder(storage_, options_.folder, error);
}

LoopbackServer::~LoopbackServer() {
    stop();
}

bool LoopbackServer::start() {
    if (!loaded_ || !net::startSockets())
        return false;
    listener_ = net::listenOnLoopback(options_.port, port_);
    if (!listener_.valid())
        return false;
    if (options_.misbehaviour.refuse) {
        listener_.close(); // the port is known, and nothing answers on it
        return true;
    }
    thread_ = std::thread([this] { serve(); });
    return true;
}

void LoopbackServer::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable())
        thread_.join();
    listener_.close();
}

std::string LoopbackServer::hostAndPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void LoopbackServer::setMisbehaviour(const Misbehaviour& misbehaviour) {
    std::lock_guard<std::mutex> lock(mutex_);
    misbehaviour_ = misbehaviour;
}

bool LoopbackServer::pause(uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopSignal_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [this] { return stopping_.load(); });
}

void LoopbackServer::serve() {
    while (!stopping_) {
        net::Socket client;
        net::IoResult r = net::acceptFrom(listener_, client, kSliceMs);
        if (r == net::IoResult::Ok)
            handle(client);
        else if (r == net::IoResult::Failed)
            pause(kSliceMs);
    }
}

void LoopbackServer::handle(net::Socket& client) {
    Misbehaviour mis;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        mis = misbehaviour_;
    }
    // Read the request: its head, then as many body bytes as it declares, all
    // within the time a request may take (a client that sends a byte now and then
    // does not hold the server).
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.requestTimeoutMs);
    std::string request;
    char buffer[8192];
    size_t headLength = std::string::npos;
    size_t bodyLength = 0;
    for (;;) {
        if (headLength != std::string::npos && request.size() >= headLength + bodyLength)
            break;
        if (stopping_ || std::chrono::steady_clock::now() >= deadline)
            return;
        size_t got = 0;
        net::IoResult r = client.receive(buffer, sizeof buffer, got, kSliceMs);
        if (r == net::IoResult::TimedOut)
            continue;
        if (r != net::IoResult::Ok)
            return;
        request.append(buffer, got);
        if (headLength == std::string::npos) {
            headLength = http::headEnd(request);
            if (headLength == std::string::npos) {
                if (request.size() > kMaxHead)
                    return;
                continue;
            }
            int64_t declared = http::contentLength(std::string_view(request).substr(0, headLength));
            if (declared > static_cast<int64_t>(kMaxBody)) {
                send(client, Reply{413, "text/plain", "Too large.\n"}, Misbehaviour());
                ++requests_;
                return;
            }
            bodyLength = declared > 0 ? static_cast<size_t>(declared) : 0;
        }
    }
    ++requests_;

    if (mis.hang) {
        // Keep the connection open without a word until the client gives up.
        while (!stopping_) {
            size_t got = 0;
            net::IoResult r = client.receive(buffer, sizeof buffer, got, kSliceMs);
            if (r == net::IoResult::Closed || r == net::IoResult::Failed)
                return;
        }
        return;
    }

    const std::string_view bytes(request);
    Reply reply = respond(bytes.substr(0, headLength), bytes.substr(headLength, bodyLength));
    if (mis.signInPage)
        reply = Reply{200, "text/html", kSignInPage};
    if (mis.httpError)
        reply = Reply{500, "text/plain", "- error The location server had an internal error.\n"};
    if (mis.crlf)
        reply.body = withCrLf(reply.body);
    send(client, reply, mis);
}

LoopbackServer::Reply LoopbackServer::respond(std::string_view head, std::string_view body) {
    std::string line(head.substr(0, head.find('\n')));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    size_t s1 = line.find(' ');
    size_t s2 = line.find(' ', s1 == std::string::npos ? s1 : s1 + 1);
    if (s1 == std::string::npos || s2 == std::string::npos)
        return Reply{400, "text/plain", "Bad request.\n"};
    const std::string target = line.substr(s1 + 1, s2 - s1 - 1);
    Reply reply = routes_.answer(
        HttpRequest{line.substr(0, s1), target, std::string(body), hostAndPort(), "127.0.0.1"});
    if (reply.sharedBody) { // a kept reply: this server's faults change its own copy
        reply.body = *reply.sharedBody;
        reply.sharedBody.reset();
    }
    if (options_.exchanged)
        options_.exchanged(target, std::string(body), reply.body);
    return reply;
}

void LoopbackServer::send(net::Socket& client, const Reply& reply, const Misbehaviour& mis) {
    const uint32_t sendTimeoutMs = 10000;
    std::string head = "HTTP/1.0 " + std::to_string(reply.status) + " " + reason(reply.status) +
                       "\r\nContent-Type: " + reply.contentType +
                       "\r\nContent-Length: " + std::to_string(reply.body.size()) +
                       (reply.location.empty() ? "" : "\r\nLocation: " + reply.location) +
                       "\r\nConnection: close\r\n\r\n";
    size_t bodyBytes = reply.body.size();
    if (mis.cutAfter >= 0 && static_cast<size_t>(mis.cutAfter) < bodyBytes)
        bodyBytes = static_cast<size_t>(mis.cutAfter);
    std::string bytes = head + reply.body.substr(0, bodyBytes);
    if (mis.dripMs == 0) {
        if (!client.sendAll(bytes.data(), bytes.size(), sendTimeoutMs))
            return;
    } else {
        size_t piece = mis.dripBytes == 0 ? 1 : mis.dripBytes;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            size_t n = std::min(piece, bytes.size() - at);
            if (!client.sendAll(bytes.data() + at, n, sendTimeoutMs) || !pause(mis.dripMs))
                return;
        }
    }
    client.shutdownSend();
    // Let the client read to the end before the socket goes, so nothing is reset.
    for (uint32_t waited = 0; waited < 2000 && !stopping_; waited += kSliceMs) {
        size_t got = 0;
        char sink[512];
        net::IoResult r = client.receive(sink, sizeof sink, got, kSliceMs);
        if (r == net::IoResult::Closed || r == net::IoResult::Failed)
            break;
    }
}

} // namespace nearbeam
