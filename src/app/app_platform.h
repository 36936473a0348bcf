// What the application takes from the platform it runs on: the HID backend
// of the real mouse, the guard that keeps the machine awake through a
// firmware update, and what the window says when the mouse will not open.
#pragma once

#include <memory>

#include "device/hid_backend.h"
#include "firmware/sleep_inhibitor.h"

namespace tr58k {

// The platform's HID backend (hidraw on Linux, the HID class on Windows).
// On Windows its monitor is for the window's thread: made there (its
// CreateMonitor must be called on a thread that runs a message loop), it
// hears of plug and unplug through that loop. Never nullptr.
std::unique_ptr<HidBackend> CreatePlatformHidBackend();
// logind's inhibitor on Linux, SetThreadExecutionState on Windows. Never
// nullptr; one that cannot reach its service refuses Acquire.
std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor();

// Shown as the version text's tooltip when the mouse is plugged in but its
// interface refuses to open; %1 is the interface's path. Why, and what
// fixes it, differ: on Linux this user lacks the udev rule's access, on
// Windows another program holds the mouse open. Chinese and English as
// written; a catalogue gives it in its one language (shown through Tr).
extern const char* const kAccessDeniedHint;

}  // namespace tr58k
