#include "device/windows/device_notification.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "device/device_link.h"
#include "device/windows/windows_hid_backend.h"
#include "testing/fake_win32_hid.h"

namespace tr58k {
namespace {

// A device-interface broadcast as Windows builds it: the name inline after
// the fixed part, the size covering it.
std::vector<uint8_t> Broadcast(const std::wstring& name, DWORD type = DBT_DEVTYP_DEVICEINTERFACE) {
  const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  std::vector<uint8_t> bytes(nameOffset + (name.size() + 1) * sizeof(wchar_t), 0);
  auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
  b->dbcc_size = static_cast<DWORD>(bytes.size());
  b->dbcc_devicetype = type;
  std::memcpy(bytes.data() + nameOffset, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  return bytes;
}

TEST(DeviceNotificationTest, DeviceChangeBecomesEventWithUtf8Path) {
  const std::wstring mouse = L"\\\\?\\HID#VID_4C95&PID_5837&MI_01#7&1a2b&0&0000#{4d1e55b2}";
  auto arrival = Broadcast(mouse);
  auto volume = Broadcast(L"X:", DBT_DEVTYP_VOLUME);
  // A name without its terminator is cut at the broadcast's own size.
  auto unterminated = Broadcast(L"abcdef");
  reinterpret_cast<DEV_BROADCAST_HDR*>(unterminated.data())->dbch_size -= 2 * sizeof(wchar_t);
  struct Case {
    WPARAM wParam;
    const std::vector<uint8_t>* broadcast;
    HidEventKind kind;
    std::string path;
  };
  const std::vector<Case> cases = {
      {DBT_DEVICEARRIVAL, &arrival, HidEventKind::kArrival,
       "\\\\?\\HID#VID_4C95&PID_5837&MI_01#7&1a2b&0&0000#{4d1e55b2}"},
      {DBT_DEVICEREMOVECOMPLETE, &arrival, HidEventKind::kRemoveComplete,
       "\\\\?\\HID#VID_4C95&PID_5837&MI_01#7&1a2b&0&0000#{4d1e55b2}"},
      {DBT_DEVNODES_CHANGED, nullptr, HidEventKind::kOther, ""},
      {DBT_DEVICEREMOVEPENDING, &arrival, HidEventKind::kOther, ""},
      {DBT_DEVICEARRIVAL, &volume, HidEventKind::kArrival, ""},
      {DBT_DEVICEARRIVAL, nullptr, HidEventKind::kArrival, ""},
      {DBT_DEVICEARRIVAL, &unterminated, HidEventKind::kArrival, "abcde"},
  };
  for (const Case& c : cases) {
    const auto lParam = reinterpret_cast<LPARAM>(c.broadcast ? c.broadcast->data() : nullptr);
    const HidEvent event = HidEventFromDeviceChange(c.wParam, lParam);
    EXPECT_EQ(event.kind, c.kind) << c.wParam;
    EXPECT_EQ(event.path, c.path) << c.wParam;
  }
  EXPECT_TRUE(PathNamesMouse(HidEventFromDeviceChange(DBT_DEVICEARRIVAL,
                                                      reinterpret_cast<LPARAM>(arrival.data())).path));
  // Chinese in a path survives as UTF-8.
  auto chinese = Broadcast(L"\u9f20\u6807");
  EXPECT_EQ(HidEventFromDeviceChange(DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(chinese.data())).path,
            "\xE9\xBC\xA0\xE6\xA0\x87");
}

// The monitor's own window, registered with the HID class filter, turns the
// messages it gets into events and wakes its host once per batch.
TEST(DeviceNotificationTest, MessageWindowMonitorRegistersAndDeliversThroughTheCallback) {
  FakeHidSystem system;
  WindowsHidBackend backend(system);
  auto monitor = backend.CreateMonitor();
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor->PollFd(), -1);

  ASSERT_EQ(system.lastFilter.size(), 32u);
  const auto* filter = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(system.lastFilter.data());
  EXPECT_EQ(filter->dbcc_devicetype, 5u);
  EXPECT_EQ(filter->dbcc_reserved, 0u);
  const GUID hid = FakeHidSystem::HidGuid();
  EXPECT_EQ(std::memcmp(&filter->dbcc_classguid, &hid, sizeof hid), 0);
  EXPECT_EQ(system.lastNotifyFlags, static_cast<DWORD>(DEVICE_NOTIFY_WINDOW_HANDLE));
  const HWND window = static_cast<HWND>(system.lastRecipient);
  ASSERT_NE(window, nullptr);

  std::atomic<int> wakes{0};
  monitor->SetEventsWaitingCallback([&] { ++wakes; });
  auto arrival = Broadcast(L"\\\\?\\hid#vid_4c95&pid_5837&mi_01#1");
  // SendMessage from here runs the window procedure on the monitor's thread.
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(arrival.data()));
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(arrival.data()));
  EXPECT_EQ(wakes.load(), 1);  // once when events started waiting
  const auto events = monitor->ReadEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, HidEventKind::kArrival);
  EXPECT_EQ(events[1].kind, HidEventKind::kRemoveComplete);
  EXPECT_EQ(events[1].path, "\\\\?\\hid#vid_4c95&pid_5837&mi_01#1");
  EXPECT_TRUE(monitor->ReadEvents().empty());

  monitor.reset();
  EXPECT_EQ(system.unregisterCalls, 1);
  EXPECT_FALSE(::IsWindow(window));
}

TEST(DeviceNotificationTest, RealRegistrationSucceeds) {
  auto monitor = CreateWindowsHidBackend()->CreateMonitor();
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(monitor->ReadEvents().empty());
}

}  // namespace
}  // namespace tr58k
