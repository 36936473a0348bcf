#include "device/windows/device_notification.h"

#include <dbt.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "settings/wide_text_windows.h"

namespace tr58k {

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32);

HDEVNOTIFY RegisterWindowForHidNotifications(HidSystemCalls& calls, HWND window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;  // 5
  filter.dbcc_reserved = 0;
  calls.HidD_GetHidGuid(&filter.dbcc_classguid);
  return calls.RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

HidEvent HidEventFromDeviceChange(WPARAM wParam, LPARAM lParam) {
  HidEvent event;
  if (wParam == DBT_DEVICEARRIVAL) {
    event.kind = HidEventKind::kArrival;
  } else if (wParam == DBT_DEVICEREMOVECOMPLETE) {
    event.kind = HidEventKind::kRemoveComplete;
  } else {
    return event;
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return event;
  const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  // The name runs to its terminator, never past the broadcast's own size.
  const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  const size_t maxUnits =
      header->dbch_size > nameOffset ? (header->dbch_size - nameOffset) / sizeof(wchar_t) : 0;
  size_t units = 0;
  while (units < maxUnits && broadcast->dbcc_name[units] != L'\0') ++units;
  event.path = WideToUtf8(std::wstring_view(broadcast->dbcc_name, units));
  return event;
}

namespace {

constexpr const wchar_t* kWindowClass = L"tr58k.HidNotificationWindow";

class MessageWindowMonitor final : public HidMonitor {
 public:
  explicit MessageWindowMonitor(HidSystemCalls& calls) : calls_(calls) {}

  ~MessageWindowMonitor() override {
    if (thread_.joinable()) {
      ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
      thread_.join();
    }
  }

  // Starts the window's thread and waits until the window is registered.
  bool Start() {
    std::promise<bool> started;
    std::future<bool> ready = started.get_future();
    thread_ = std::thread([this, &started] { Run(started); });
    if (ready.get()) return true;
    thread_.join();
    return false;
  }

  int PollFd() const override { return -1; }

  void SetEventsWaitingCallback(std::function<void()> eventsWaiting) override {
    std::lock_guard lock(mutex_);
    eventsWaiting_ = std::move(eventsWaiting);
  }

  std::vector<HidEvent> ReadEvents() override {
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
      auto* self = reinterpret_cast<MessageWindowMonitor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self != nullptr) self->Deliver(HidEventFromDeviceChange(wParam, lParam));
      return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  void Deliver(HidEvent event) {
    if (event.kind == HidEventKind::kOther) return;
    std::function<void()> wake;
    {
      std::lock_guard lock(mutex_);
      const bool wasEmpty = events_.empty();
      events_.push_back(std::move(event));
      if (wasEmpty) wake = eventsWaiting_;
    }
    if (wake) wake();
  }

  void Run(std::promise<bool>& started) {
    threadId_ = ::GetCurrentThreadId();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    HWND window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
    HDEVNOTIFY notification = nullptr;
    if (window != nullptr) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      notification = RegisterWindowForHidNotifications(calls_, window);
    }
    if (notification == nullptr) {
      if (window != nullptr) ::DestroyWindow(window);
      started.set_value(false);
      return;
    }
    // Make sure the thread has a message queue before anyone posts WM_QUIT.
    MSG message;
    ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    started.set_value(true);
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    calls_.UnregisterDeviceNotification(notification);
    ::DestroyWindow(window);
  }

  HidSystemCalls& calls_;
  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  std::mutex mutex_;
  std::function<void()> eventsWaiting_;
  std::vector<HidEvent> events_;
};

}  // namespace

std::unique_ptr<HidMonitor> CreateMessageWindowMonitor(HidSystemCalls& calls) {
  auto monitor = std::make_unique<MessageWindowMonitor>(calls);
  if (!monitor->Start()) return nullptr;
  return monitor;
}

}  // namespace tr58k
