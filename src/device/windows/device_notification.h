// HID arrival and removal notifications on Windows: registering a window for
// them, reading one WM_DEVICECHANGE, and a monitor that owns a message-only
// window on a thread of its own (for programs without a window, tr58kctl) or
// on the calling thread (for a window program, whose loop delivers them).
#pragma once

#include <memory>

#include "device/hid_backend.h"
#include "device/windows/hid_system_calls.h"

namespace tr58k {

// Registers `window` for arrival and removal of HID interfaces (filter
// DEV_BROADCAST_DEVICEINTERFACE_W for the HID class, DEVICE_NOTIFY_WINDOW_HANDLE).
// Returns the notification handle, or nullptr when registering failed.
HDEVNOTIFY RegisterWindowForHidNotifications(HidSystemCalls& calls, HWND window);

// The event of one WM_DEVICECHANGE: kArrival for DBT_DEVICEARRIVAL,
// kRemoveComplete for DBT_DEVICEREMOVECOMPLETE, kOther for anything else;
// the path (UTF-8) when lParam is a device-interface broadcast, else empty.
HidEvent HidEventFromDeviceChange(WPARAM wParam, LPARAM lParam);

// A HidMonitor whose events come from a message-only window; PollFd() is -1.
// Returns nullptr when the window cannot be made or registered.
std::unique_ptr<HidMonitor> CreateMessageWindowMonitor(HidSystemCalls& calls);

// A HidMonitor whose message-only window is made on the calling thread and
// hears WM_DEVICECHANGE through that thread's message loop: no thread of its
// own to wait for. Its window goes with it (at once on its own thread, asked
// to close when let go on another). PollFd() is -1. Returns nullptr when the
// window cannot be made or registered.
std::unique_ptr<HidMonitor> CreateCurrentThreadMonitor(HidSystemCalls& calls);

}  // namespace tr58k
