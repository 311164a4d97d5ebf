#pragma once
// A bare HTTP client for the servers' tests: raw bytes over a socket, so a test
// can send exactly what a client (or a bad one) sends.

#include "support/socket.h"

#include <chrono>
#include <string>

namespace nearbeam::test {

inline net::Socket connectLoopback(uint16_t port) {
    std::string error;
    return net::connectTo("127.0.0.1", port, 2000, error);
}

// Reads until the server closes the connection or timeoutMs pass (by default a
// bound that only a stuck server reaches, also on a busy machine).
inline std::string readAll(net::Socket& socket, uint32_t timeoutMs = 30000) {
    std::string answer;
    char buffer[8192];
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        size_t got = 0;
        const net::IoResult r = socket.receive(buffer, sizeof buffer, got, 100);
        if (r == net::IoResult::TimedOut)
            continue;
        if (r != net::IoResult::Ok || got == 0)
            break;
        answer.append(buffer, got);
    }
    return answer;
}

// Sends bytes, ends the sending side and reads the answer to the end of the
// connection. An empty answer means the server closed without a word.
inline std::string exchange(uint16_t port, const std::string& bytes) {
    std::string error;
    net::Socket socket = net::connectTo("127.0.0.1", port, 2000, error);
    if (!socket.valid())
        return "no connection: " + error;
    socket.sendAll(bytes.data(), bytes.size(), 2000);
    socket.shutdownSend();
    return readAll(socket);
}

inline std::string statusLine(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n"));
}

inline std::string bodyOf(const std::string& answer) {
    const size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

} // namespace nearbeam::test
