// The window program's plug and unplug source on Windows: made on the
// window's own thread, it hears WM_DEVICECHANGE through that thread's
// message loop and goes with its window, wherever it is let go.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <memory>
#include <string>
#include <thread>

#include "app/app_platform.h"
#include "testing/win32_dialog_rig.h"

namespace tr58k {
namespace {

HWND MonitorWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, L"tr58k.WindowThreadHidMonitor", nullptr); }

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(WindowProgramHidMonitorTest, HearsTheWindowThreadsNotificationsAndGoesWithIt) {
  const std::wstring path = L"\\\\?\\HID#VID_4C95&PID_5837&MI_01#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  std::unique_ptr<HidBackend> backend = CreatePlatformHidBackend();
  std::unique_ptr<HidMonitor> monitor = backend->CreateMonitor();
  ASSERT_NE(monitor, nullptr);
  HWND window = MonitorWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId()) << "no thread of its own";

  int wakes = 0;
  monitor->SetEventsWaitingCallback([&] { ++wakes; });
  SendDeviceInterfaceChange(window, DBT_DEVICEARRIVAL, path);
  SendDeviceInterfaceChange(window, DBT_DEVICEREMOVECOMPLETE, path);
  SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);  // not an interface's: no event
  const std::vector<HidEvent> events = monitor->ReadEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, HidEventKind::kArrival);
  EXPECT_EQ(events[1].kind, HidEventKind::kRemoveComplete);
  EXPECT_EQ(events[1].path, std::string(path.begin(), path.end()));
  EXPECT_EQ(wakes, 1) << "woken when events start waiting, not for each";
  EXPECT_TRUE(monitor->ReadEvents().empty());

  monitor.reset();
  EXPECT_FALSE(IsWindow(window));

  // Let go on another thread (the window's logic may end elsewhere): the
  // window is asked to close and goes at the next turn of its loop, and
  // hears nothing more meanwhile.
  monitor = backend->CreateMonitor();
  ASSERT_NE(monitor, nullptr);
  window = MonitorWindow();
  std::thread([&] { monitor.reset(); }).join();
  SendDeviceInterfaceChange(window, DBT_DEVICEARRIVAL, path);
  PumpMessages();
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace tr58k
