// What the application object takes from the platform it runs on: the HID
// backend of the real mouse and the guard that keeps the machine awake
// through a firmware update.
#pragma once

#include <memory>

#include "device/hid_backend.h"
#include "firmware/sleep_inhibitor.h"

namespace tr58k {

// The platform's HID backend (hidraw on Linux, the HID class on Windows).
// Never nullptr.
std::unique_ptr<HidBackend> CreatePlatformHidBackend();
// logind's inhibitor on Linux, SetThreadExecutionState on Windows. Never
// nullptr; one that cannot reach its service refuses Acquire.
std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor();

}  // namespace tr58k
