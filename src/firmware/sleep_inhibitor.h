// Keeps the machine from suspending or powering off while the mouse is being
// flashed. The Linux one asks logind (linux/logind_inhibitor.h); where
// nothing can be asked the update simply runs without it.
#pragma once

#include <string>

namespace tr58k {

class SleepInhibitor {
 public:
  virtual ~SleepInhibitor() = default;
  // Takes the lock, with `why` shown to the user by the desktop. Returns
  // false when it could not be taken (no system bus, no logind, refused);
  // the caller goes on without it.
  virtual bool Acquire(const std::string& why) = 0;
  // Gives the lock back; nothing when none is held.
  virtual void Release() = 0;
};

// Holds `inhibitor` (may be null) for its own lifetime.
class ScopedSleepInhibit {
 public:
  ScopedSleepInhibit(SleepInhibitor* inhibitor, const std::string& why) : inhibitor_(inhibitor) {
    held_ = inhibitor_ != nullptr && inhibitor_->Acquire(why);
  }
  ~ScopedSleepInhibit() {
    if (held_) inhibitor_->Release();
  }
  ScopedSleepInhibit(const ScopedSleepInhibit&) = delete;
  ScopedSleepInhibit& operator=(const ScopedSleepInhibit&) = delete;
  bool Held() const { return held_; }

 private:
  SleepInhibitor* inhibitor_;
  bool held_ = false;
};

}  // namespace tr58k
