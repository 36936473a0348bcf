#include "device/clock.h"

#include <chrono>
#include <thread>

namespace tr58k {

void SystemClock::Sleep(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t SystemClock::NowMs() const {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ManualClock::Sleep(uint32_t ms) {
  std::lock_guard lock(mutex_);
  now_ += ms;
  sleeps_.push_back(ms);
}

uint64_t ManualClock::NowMs() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void ManualClock::Advance(uint64_t ms) {
  std::lock_guard lock(mutex_);
  now_ += ms;
}

std::vector<uint32_t> ManualClock::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

uint64_t ManualClock::TotalSleptMs() const {
  std::lock_guard lock(mutex_);
  uint64_t total = 0;
  for (uint32_t s : sleeps_) total += s;
  return total;
}

void ManualClock::ClearSleeps() {
  std::lock_guard lock(mutex_);
  sleeps_.clear();
}

}  // namespace tr58k
