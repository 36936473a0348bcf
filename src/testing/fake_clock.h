// A manual clock for tests that also tells which thread slept, and can hold
// a thread inside a sleep until the test lets it go.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "device/clock.h"

namespace tr58k {

// A ManualClock that remembers which thread slept, and can hold a thread
// inside a sleep of a given length until the test lets it go.
class TaggedClock final : public Clock {
 public:
  struct SleepRecord {
    std::thread::id thread;
    uint32_t ms;
  };
  void Sleep(uint32_t ms) override;
  uint64_t NowMs() const override { return inner_.NowMs(); }

  std::vector<SleepRecord> Records() const;
  std::vector<uint32_t> SleepsOn(std::thread::id thread) const;
  size_t CountOf(uint32_t ms) const;
  void Clear();

  // The next sleeps of `ms` wait until Release(); Held() tells whether one
  // is waiting now.
  void HoldSleepsOf(uint32_t ms);
  bool Held() const;
  void Release();

 private:
  ManualClock inner_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<SleepRecord> records_;
  std::optional<uint32_t> hold_;
  bool held_ = false;
};

}  // namespace tr58k
