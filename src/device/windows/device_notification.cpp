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
constexpr const wchar_t* kCurrentThreadWindowClass = L"tr58k.WindowThreadHidMonitor";

// The queue both monitors share: a message-only window's WM_DEVICECHANGE
// become events, read with ReadEvents; the callback wakes the reader when
// events start waiting, not for each one.
class MessageWindowEvents : public HidMonitor {
 public:
  int PollFd() const override { return -1; }

  void SetEventsWaitingCallback(std::function<void()> eventsWaiting) override {
    std::lock_guard lock(mutex_);
    eventsWaiting_ = std::move(eventsWaiting);
  }

  std::vector<HidEvent> ReadEvents() override {
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
  }

 protected:
  // A message-only window of `windowClass` on the calling thread whose
  // notifications reach this queue; nullptr when it cannot be made.
  HWND MakeWindow(const wchar_t* windowClass) {
    WNDCLASSEXW classInfo{};
    classInfo.cbSize = sizeof classInfo;
    classInfo.lpfnWndProc = &WindowProc;
    classInfo.hInstance = ::GetModuleHandleW(nullptr);
    classInfo.lpszClassName = windowClass;
    ::RegisterClassExW(&classInfo);  // fails harmlessly when already registered
    HWND window = ::CreateWindowExW(0, windowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    classInfo.hInstance, nullptr);
    if (window != nullptr) ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window;
  }
  // From here on the window's notifications reach nobody.
  static void Detach(HWND window) { ::SetWindowLongPtrW(window, GWLP_USERDATA, 0); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
      auto* self = reinterpret_cast<MessageWindowEvents*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
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

  std::mutex mutex_;
  std::function<void()> eventsWaiting_;
  std::vector<HidEvent> events_;
};

// The window on a thread of its own, for programs without a message loop.
class MessageWindowMonitor final : public MessageWindowEvents {
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

 private:
  void Run(std::promise<bool>& started) {
    threadId_ = ::GetCurrentThreadId();
    HWND window = MakeWindow(kWindowClass);
    HDEVNOTIFY notification =
        window != nullptr ? RegisterWindowForHidNotifications(calls_, window) : nullptr;
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
};

// The window on the calling thread, whose own loop delivers its messages.
class CurrentThreadMonitor final : public MessageWindowEvents {
 public:
  explicit CurrentThreadMonitor(HidSystemCalls& calls) : calls_(calls) {}

  ~CurrentThreadMonitor() override {
    if (notification_) calls_.UnregisterDeviceNotification(notification_);
    if (!window_) return;
    Detach(window_);
    // A window goes only on its own thread; elsewhere it is asked to.
    if (::GetWindowThreadProcessId(window_, nullptr) == ::GetCurrentThreadId()) {
      ::DestroyWindow(window_);
    } else {
      ::PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }

  bool Start() {
    window_ = MakeWindow(kCurrentThreadWindowClass);
    if (!window_) return false;
    notification_ = RegisterWindowForHidNotifications(calls_, window_);
    return notification_ != nullptr;
  }

 private:
  HidSystemCalls& calls_;
  HWND window_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
};

}  // namespace

std::unique_ptr<HidMonitor> CreateCurrentThreadMonitor(HidSystemCalls& calls) {
  auto monitor = std::make_unique<CurrentThreadMonitor>(calls);
  if (!monitor->Start()) return nullptr;
  return monitor;
}

std::unique_ptr<HidMonitor> CreateMessageWindowMonitor(HidSystemCalls& calls) {
  auto monitor = std::make_unique<MessageWindowMonitor>(calls);
  if (!monitor->Start()) return nullptr;
  return monitor;
}

}  // namespace tr58k
