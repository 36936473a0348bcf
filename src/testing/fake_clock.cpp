#include "testing/fake_clock.h"

namespace tr58k {

void TaggedClock::Sleep(uint32_t ms) {
  {
    std::unique_lock lock(mutex_);
    records_.push_back({std::this_thread::get_id(), ms});
    if (hold_ && *hold_ == ms) {
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !hold_; });
      held_ = false;
    }
  }
  inner_.Sleep(ms);
}

std::vector<TaggedClock::SleepRecord> TaggedClock::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<uint32_t> TaggedClock::SleepsOn(std::thread::id thread) const {
  std::lock_guard lock(mutex_);
  std::vector<uint32_t> out;
  for (const auto& r : records_) {
    if (r.thread == thread) out.push_back(r.ms);
  }
  return out;
}

size_t TaggedClock::CountOf(uint32_t ms) const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& r : records_) n += r.ms == ms;
  return n;
}

void TaggedClock::Clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

void TaggedClock::HoldSleepsOf(uint32_t ms) {
  std::lock_guard lock(mutex_);
  hold_ = ms;
}

bool TaggedClock::Held() const {
  std::lock_guard lock(mutex_);
  return held_;
}

void TaggedClock::Release() {
  {
    std::lock_guard lock(mutex_);
    hold_.reset();
  }
  changed_.notify_all();
}

}  // namespace tr58k
