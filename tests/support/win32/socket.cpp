// Winsock form of the socket layer.
#include "support/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

namespace nearbeam::net {
namespace {

SOCKET raw(intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

// Waits for one socket with WSAPoll: >0 ready, 0 timed out, <0 failed. Each socket
// appears once in one entry (Wine's server does not cope with a socket listed twice,
// as in select() with the same socket in two sets). failed reports an error or hang-
// up, which is how a refused connection shows.
int pollFor(SOCKET s, bool forWrite, uint32_t timeoutMs, bool* failed = nullptr) {
    WSAPOLLFD entry{};
    entry.fd = s;
    entry.events = forWrite ? POLLWRNORM : POLLRDNORM;
    int n = ::WSAPoll(&entry, 1, static_cast<INT>(timeoutMs));
    if (n > 0 && failed != nullptr)
        *failed = (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
                  (entry.revents & entry.events) == 0;
    return n;
}

} // namespace

bool startSockets() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data;
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started;
}

void Socket::close() {
    if (handle_ != kInvalid)
        ::closesocket(raw(handle_));
    handle_ = kInvalid;
}

bool Socket::sendAll(const char* data, size_t length, uint32_t timeoutMs) {
    while (length > 0) {
        if (pollFor(raw(handle_), true, timeoutMs) <= 0)
            return false;
        int chunk = length > 65536 ? 65536 : static_cast<int>(length);
        int n = ::send(raw(handle_), data, chunk, 0);
        if (n == SOCKET_ERROR) {
            if (::WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

IoResult Socket::waitReadable(uint32_t timeoutMs) {
    int n = pollFor(raw(handle_), false, timeoutMs);
    if (n < 0)
        return IoResult::Failed;
    return n == 0 ? IoResult::TimedOut : IoResult::Ok;
}

IoResult Socket::receive(char* buffer, size_t capacity, size_t& received, uint32_t timeoutMs) {
    received = 0;
    for (;;) {
        IoResult ready = waitReadable(timeoutMs);
        if (ready != IoResult::Ok)
            return ready;
        int want = capacity > 65536 ? 65536 : static_cast<int>(capacity);
        int n = ::recv(raw(handle_), buffer, want, 0);
        if (n == SOCKET_ERROR) {
            if (::WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return IoResult::Failed;
        }
        if (n == 0)
            return IoResult::Closed;
        received = static_cast<size_t>(n);
        return IoResult::Ok;
    }
}

void Socket::shutdownSend() {
    if (valid())
        ::shutdown(raw(handle_), SD_SEND);
}

Socket connectTo(const std::string& host, uint16_t port, uint32_t timeoutMs, std::string& error) {
    if (!startSockets()) {
        error = "sockets are not available";
        return Socket();
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        error = "cannot resolve " + host;
        return Socket();
    }
    error = "cannot connect to " + host + ":" + service;
    Socket result;
    for (addrinfo* a = found; a != nullptr && !result.valid(); a = a->ai_next) {
        SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET)
            continue;
        Socket candidate(static_cast<intptr_t>(s));
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
            if (::WSAGetLastError() != WSAEWOULDBLOCK)
                continue;
            bool failed = false;
            int n = pollFor(s, true, timeoutMs, &failed);
            if (n == 0) {
                error = "connecting to " + host + ":" + service + " timed out";
                continue;
            }
            int soError = 0;
            int len = sizeof(soError);
            if (n < 0 || failed ||
                ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) !=
                    0 ||
                soError != 0)
                continue;
        }
        result = std::move(candidate);
    }
    ::freeaddrinfo(found);
    if (result.valid())
        error.clear();
    return result;
}

Socket listenOnLoopback(uint16_t port, uint16_t& boundPort) {
    boundPort = 0;
    if (!startSockets())
        return Socket();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return Socket();
    Socket listener(static_cast<intptr_t>(s));
    // Keeps a second server from taking the same port.
    BOOL exclusive = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof(exclusive));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(s, 16) != 0)
        return Socket();
    int len = sizeof(address);
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&address), &len) != 0)
        return Socket();
    boundPort = ntohs(address.sin_port);
    return listener;
}

IoResult acceptFrom(Socket& listener, Socket& accepted, uint32_t timeoutMs) {
    IoResult ready = listener.waitReadable(timeoutMs);
    if (ready != IoResult::Ok)
        return ready;
    SOCKET s = ::accept(raw(listener.handle()), nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return ::WSAGetLastError() == WSAEWOULDBLOCK ? IoResult::TimedOut : IoResult::Failed;
    // An accepted socket inherits the listener's mode; the layer waits by polling.
    u_long blocking = 0;
    ::ioctlsocket(s, FIONBIO, &blocking);
    accepted = Socket(static_cast<intptr_t>(s));
    return IoResult::Ok;
}

} // namespace nearbeam::net
