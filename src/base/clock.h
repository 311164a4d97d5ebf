#pragma once
// Time as a 32-bit millisecond tick count that wraps, like the system's tick
// counter. Everything that waits or times a window asks a Clock, so tests can
// drive time by hand.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace nearbeam {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual uint32_t tickCount() const = 0;
};

class SteadyClock : public Clock {
  public:
    uint32_t tickCount() const override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

// A clock that moves only when told to.
class ManualClock : public Clock {
  public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t tickCount() const override { return now_.load(); }
    void set(uint32_t now) { now_.store(now); }
    void advance(uint32_t ms) { now_.fetch_add(ms); }

  private:
    std::atomic<uint32_t> now_;
};

} // namespace nearbeam
