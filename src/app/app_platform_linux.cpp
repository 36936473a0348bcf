#include "app/app_platform.h"

#include "device/linux/linux_hid_backend.h"
#include "firmware/linux/logind_inhibitor.h"

namespace tr58k {

std::unique_ptr<HidBackend> CreatePlatformHidBackend() { return CreateLinuxHidBackend(); }

std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor() {
  return std::make_unique<LogindSleepInhibitor>();
}

}  // namespace tr58k
