#pragma once
// A small TCP socket layer for the tests: the loopback test server, and clients
// that send servers exactly the bytes a test wants. Defined over POSIX sockets
// (socket_posix.cpp) and over Winsock (win32/socket.cpp). Every blocking step has
// a time-out.

#include <cstddef>
#include <cstdint>
#include <string>

namespace nearbeam::net {

// What a receive or an accept came to.
enum class IoResult { Ok, Closed, TimedOut, Failed };

class Socket {
  public:
    Socket() = default;
    explicit Socket(intptr_t handle) : handle_(handle) {}
    ~Socket() { close(); }
    Socket(Socket&& other) noexcept : handle_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.release();
        }
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool valid() const { return handle_ != kInvalid; }
    intptr_t handle() const { return handle_; }
    void close();
    intptr_t release() {
        intptr_t h = handle_;
        handle_ = kInvalid;
        return h;
    }

    // Sends every byte; false on an error or when the peer takes nothing for timeoutMs.
    bool sendAll(const char* data, size_t length, uint32_t timeoutMs);
    // Waits at most timeoutMs for data and receives up to capacity bytes into buffer.
    IoResult receive(char* buffer, size_t capacity, size_t& received, uint32_t timeoutMs);
    // Waits at most timeoutMs for the socket to become readable (data, a closed
    // peer, or a connection to accept).
    IoResult waitReadable(uint32_t timeoutMs);
    // No more sending: the peer reads the end of the stream.
    void shutdownSend();

    static constexpr intptr_t kInvalid = -1;

  private:
    intptr_t handle_ = kInvalid;
};

// Makes the platform's socket library ready; safe to call more than once.
bool startSockets();

// Resolves host and connects to its port, giving up after timeoutMs. On failure the
// socket is not valid and error says why.
Socket connectTo(const std::string& host, uint16_t port, uint32_t timeoutMs, std::string& error);

// A listening socket on the loopback address; port 0 picks a free one. boundPort
// receives the port it listens on.
Socket listenOnLoopback(uint16_t port, uint16_t& boundPort);

// Accepts one connection, waiting at most timeoutMs.
IoResult acceptFrom(Socket& listener, Socket& accepted, uint32_t timeoutMs);

} // namespace nearbeam::net
