#include "app/app_platform.h"

#include "device/windows/windows_hid_backend.h"
#include "firmware/windows/execution_state_inhibitor.h"

namespace tr58k {

std::unique_ptr<HidBackend> CreatePlatformHidBackend() { return CreateWindowsHidBackend(); }

std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor() {
  return std::make_unique<ExecutionStateInhibitor>();
}

}  // namespace tr58k
