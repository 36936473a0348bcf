// The one clock every protocol wait goes through. The real program sleeps for
// real; tests and the simulated mouse use a ManualClock whose time only moves
// when somebody sleeps, so a 4.5 s busy wait costs microseconds and can be
// checked to the millisecond.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace tr58k {

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for `ms` milliseconds (of this clock's time).
  virtual void Sleep(uint32_t ms) = 0;
  // Milliseconds since an arbitrary origin, monotonic.
  virtual uint64_t NowMs() const = 0;
};

// Wall-clock time: std::this_thread::sleep_for and steady_clock.
class SystemClock final : public Clock {
 public:
  void Sleep(uint32_t ms) override;
  uint64_t NowMs() const override;
};

// Simulated time. Sleep() returns at once after advancing the time by `ms`
// and recording the sleep. Safe to use from several threads: each sleep is
// one atomic advance.
class ManualClock final : public Clock {
 public:
  void Sleep(uint32_t ms) override;
  uint64_t NowMs() const override;

  // Moves time forward without recording a sleep (a test's "meanwhile").
  void Advance(uint64_t ms);
  // Every Sleep() call so far, in order.
  std::vector<uint32_t> Sleeps() const;
  uint64_t TotalSleptMs() const;
  void ClearSleeps();

 private:
  mutable std::mutex mutex_;
  uint64_t now_ = 0;
  std::vector<uint32_t> sleeps_;
};

}  // namespace tr58k
