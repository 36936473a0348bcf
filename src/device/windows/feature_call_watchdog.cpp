#include "device/windows/feature_call_watchdog.h"

namespace tr58k {

FeatureCallWatchdog::FeatureCallWatchdog(HidSystemCalls& calls, uint32_t boundMs)
    : calls_(calls), boundMs_(boundMs) {}

FeatureCallWatchdog::~FeatureCallWatchdog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool FeatureCallWatchdog::Run(const std::function<void()>& call) {
  // CancelSynchronousIo needs a handle with terminate access to the thread
  // whose I/O it ends.
  const HANDLE self = calls_.OpenThread(THREAD_TERMINATE, ::GetCurrentThreadId());
  if (self == nullptr) {
    call();
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    caller_ = self;
    cancelled_ = false;
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs_);
    if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
  }
  changed_.notify_all();
  call();
  bool cancelled = false;
  {
    std::lock_guard lock(mutex_);
    caller_ = nullptr;
    cancelled = cancelled_;
  }
  changed_.notify_all();
  calls_.CloseHandle(self);
  return cancelled;
}

void FeatureCallWatchdog::Watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (caller_ == nullptr) {
      changed_.wait(lock);
    } else if (std::chrono::steady_clock::now() < deadline_) {
      changed_.wait_until(lock, deadline_);
    } else {
      // The caller clears caller_ under this lock before closing the handle,
      // so the handle is alive here.
      calls_.CancelSynchronousIo(caller_);
      cancelled_ = true;
      changed_.wait_for(lock, std::chrono::milliseconds(kCancelRepeatMs));
    }
  }
}

}  // namespace tr58k
