// A bound on each feature call of one open interface. HidD_SetFeature and
// HidD_GetFeature on a synchronous handle wait as long as the device does,
// so a mouse that stops answering in the middle of a request would hold the
// calling thread for ever (Linux's kernel gives up after 5 s). A watchdog
// thread cancels the call's I/O once the bound has passed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "device/windows/hid_system_calls.h"

namespace tr58k {

// What Linux's kernel allows a feature request.
inline constexpr uint32_t kFeatureCallBoundMs = 5000;
// After the first cancel, how often it is repeated while the call still
// runs: a cancel that came before the request was issued finds nothing.
inline constexpr uint32_t kCancelRepeatMs = 100;

class FeatureCallWatchdog {
 public:
  // The watchdog thread starts with the first Run().
  FeatureCallWatchdog(HidSystemCalls& calls, uint32_t boundMs);
  // Ends the watchdog thread; no Run() may be under way.
  ~FeatureCallWatchdog();
  FeatureCallWatchdog(const FeatureCallWatchdog&) = delete;
  FeatureCallWatchdog& operator=(const FeatureCallWatchdog&) = delete;

  // Runs `call` on the calling thread; once it has run for the bound, its
  // synchronous I/O is cancelled (CancelSynchronousIo on this thread, again
  // every kCancelRepeatMs until it returns). Returns true when the bound
  // passed while the call ran, false when it ended within the bound, or
  // when this thread could not be named to the system (the call then runs
  // unbounded). One Run() at a time.
  bool Run(const std::function<void()>& call);

 private:
  void Watch();

  HidSystemCalls& calls_;
  const uint32_t boundMs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  HANDLE caller_ = nullptr;  // the thread of the call under way, else null
  std::chrono::steady_clock::time_point deadline_;
  bool cancelled_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tr58k
