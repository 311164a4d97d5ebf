#pragma once
// The access log: one line per answered request, and per connection dropped, on
// standard output, with the time, the client's address, the method, the path, the status, the
// reply's body bytes and the milliseconds it took. Never a body: an upload's body holds the user's
// login token.

#include <chrono>
#include <cstdint>
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
    std::string note = {};    // what else an operator should know of the request
};

// "2026-12-08T04:10:00.123Z 127.0.0.1 GET /healthz 200 3 0.412", with the line
// feed; a dropped connection "… 10.0.0.7 - - - 0 10000.214 dropped: head timeout"; a note
// ends the line as " note: " and the note. Bytes outside
// printable ASCII in the method and target are written as %XX so a request cannot forge or break
// log lines; a long target is cut short.
std::string accessLogLine(const AccessRecord& record);

// Writes each line with one write(2) of its own, straight to the descriptor:
// lines from many threads never interleave (an append of one short line is
// atomic), none waits for another's, and none is held back in a buffer when the
// server is killed.
class AccessLog {
  public:
    explicit AccessLog(int descriptor) : descriptor_(descriptor) {}
    void write(const AccessRecord& record);

  private:
    int descriptor_;
};

} // namespace nearbeam
