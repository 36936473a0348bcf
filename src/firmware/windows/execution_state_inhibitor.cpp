#include "firmware/windows/execution_state_inhibitor.h"

namespace tr58k {

bool ExecutionStateInhibitor::Acquire(const std::string& /*why*/) {
  if (Held()) return true;
  if (setState_(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0) return false;
  ownerThread_ = ::GetCurrentThreadId();
  return true;
}

void ExecutionStateInhibitor::Release() {
  if (!Held() || ownerThread_ != ::GetCurrentThreadId()) return;
  setState_(ES_CONTINUOUS);
  ownerThread_ = 0;
}

}  // namespace tr58k
