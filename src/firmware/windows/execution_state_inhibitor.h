// The sleep inhibitor on Windows: SetThreadExecutionState keeps the system
// from sleeping while the thread that asked is in the required state.
// The state belongs to the calling thread, so Acquire and Release must run on
// the same thread, the one that runs the update (ScopedSleepInhibit in the
// firmware worker does exactly that).
#pragma once

#include <windows.h>

#include <string>

#include "firmware/sleep_inhibitor.h"

namespace tr58k {

class ExecutionStateInhibitor final : public SleepInhibitor {
 public:
  using SetStateFunction = EXECUTION_STATE(WINAPI*)(EXECUTION_STATE);
  // `setState` is SetThreadExecutionState; tests pass their own.
  explicit ExecutionStateInhibitor(SetStateFunction setState = &::SetThreadExecutionState)
      : setState_(setState) {}
  ~ExecutionStateInhibitor() override { Release(); }
  ExecutionStateInhibitor(const ExecutionStateInhibitor&) = delete;
  ExecutionStateInhibitor& operator=(const ExecutionStateInhibitor&) = delete;

  // `why` is not shown anywhere: Windows has no place for it. Returns false
  // when the system refuses the state.
  bool Acquire(const std::string& why) override;
  // Back to ES_CONTINUOUS alone. Does nothing when nothing is held, or when
  // called on another thread than Acquire (it cannot reach that thread's
  // state, which ends with that thread anyway).
  void Release() override;
  bool Held() const { return ownerThread_ != 0; }

 private:
  SetStateFunction setState_;
  DWORD ownerThread_ = 0;
};

}  // namespace tr58k
