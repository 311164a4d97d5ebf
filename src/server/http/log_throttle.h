#pragma once
// Lines of the log that a client can cause at will (a connection it abandons, a
// TLS handshake it botches) at most once per address per period: a client that
// causes thousands cannot fill the disk with the log or bury the other lines.
// The lines held back are counted and told with the next one written.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace nearbeam {

class LogThrottle {
  public:
    using Clock = std::chrono::steady_clock;

    explicit LogThrottle(Clock::duration period) : period_(period) {}

    // Whether a line for key may be written now; when it may, `heldBack` gets
    // how many were held back since the last one written.
    bool allow(const std::string& key, Clock::time_point now, uint64_t& heldBack);

  private:
    struct Entry {
        Clock::time_point written;
        uint64_t heldBack = 0;
    };
    const Clock::duration period_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    size_t pruneAt_ = 4096;
};

} // namespace nearbeam
