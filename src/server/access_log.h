#pragma once
// The access log: one line per answered request, and per connection dropped, on
// standard output, with the time, the client's address, the method, the path, the status, the
// reply's body bytes and the milliseconds it took. Never a body: an upload's body holds the user's
// login token.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace nearbeam {

struct AccessRecord {
    std::chrono::system_clock::time_point time;
    std::string address;
    std::string method;
    std::string target;
    int status = 0;
    uint64_t bytes = 0;
    std::chrono::microseconds took{0};
    std::string dropped = {}; // why the connection was closed unanswered, if it was
};

// "2026-12-08T04:10:00.123Z 127.0.0.1 GET /healthz 200 3 0.412", with the line
// feed; a dropped connection "… 10.0.0.7 - - - 0 10000.214 dropped: head timeout". Bytes outside
// printable ASCII in the method and target are written as %XX so a request cannot forge or break
// log lines; a long target is cut short.
std::string accessLogLine(const AccessRecord& record);

class AccessLog {
  public:
    explicit AccessLog(std::FILE* out) : out_(out) {}
    void write(const AccessRecord& record);

  private:
    std::FILE* out_;
    std::mutex mutex_;
};

} // namespace nearbeam
