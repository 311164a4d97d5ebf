#include "support/socket.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nearbeam::net {
namespace {

int fd(intptr_t handle) {
    return static_cast<int>(handle);
}

// poll() that is not cut short by signals.
int pollFor(int socket, short events, uint32_t timeoutMs) {
    pollfd p{socket, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, static_cast<int>(timeoutMs));
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

} // namespace

bool startSockets() {
    return true;
}

void Socket::close() {
    if (handle_ != kInvalid)
        ::close(fd(handle_));
    handle_ = kInvalid;
}

bool Socket::sendAll(const char* data, size_t length, uint32_t timeoutMs) {
    while (length > 0) {
        if (pollFor(fd(handle_), POLLOUT, timeoutMs) <= 0)
            return false;
        ssize_t n = ::send(fd(handle_), data, length, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

IoResult Socket::waitReadable(uint32_t timeoutMs) {
    int n = pollFor(fd(handle_), POLLIN, timeoutMs);
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
        ssize_t n = ::recv(fd(handle_), buffer, capacity, 0);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
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
        ::shutdown(fd(handle_), SHUT_WR);
}

Socket connectTo(const std::string& host, uint16_t port, uint32_t timeoutMs, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0 || found == nullptr) {
        error = "cannot resolve " + host;
        return Socket();
    }
    error = "cannot connect to " + host + ":" + service;
    Socket result;
    for (addrinfo* a = found; a != nullptr && !result.valid(); a = a->ai_next) {
        int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0)
            continue;
        Socket candidate(s);
        int flags = ::fcntl(s, F_GETFL, 0);
        ::fcntl(s, F_SETFL, flags | O_NONBLOCK);
        int c = ::connect(s, a->ai_addr, a->ai_addrlen);
        if (c != 0 && errno != EINPROGRESS)
            continue;
        if (c != 0) {
            int n = pollFor(s, POLLOUT, timeoutMs);
            if (n == 0) {
                error = "connecting to " + host + ":" + service + " timed out";
                continue;
            }
            int soError = 0;
            socklen_t len = sizeof(soError);
            if (n < 0 || ::getsockopt(s, SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0)
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
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return Socket();
    Socket listener(s);
    int yes = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(s, 16) != 0)
        return Socket();
    socklen_t len = sizeof(address);
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&address), &len) != 0)
        return Socket();
    boundPort = ntohs(address.sin_port);
    return listener;
}

IoResult acceptFrom(Socket& listener, Socket& accepted, uint32_t timeoutMs) {
    IoResult ready = listener.waitReadable(timeoutMs);
    if (ready != IoResult::Ok)
        return ready;
    int s = ::accept4(fd(listener.handle()), nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0)
        return errno == EAGAIN || errno == EINTR || errno == ECONNABORTED ? IoResult::TimedOut
                                                                          : IoResult::Failed;
    accepted = Socket(s);
    return IoResult::Ok;
}

} // namespace nearbeam::net
