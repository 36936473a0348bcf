#include "app/app_platform.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "device/windows/device_notification.h"
#include "device/windows/windows_hid_backend.h"
#include "firmware/windows/execution_state_inhibitor.h"
#include "i18n/text_lookup.h"

namespace tr58k {

namespace {

constexpr wchar_t kMonitorWindowClass[] = L"tr58k.WindowThreadHidMonitor";

// Plug and unplug for the configuration window: a message-only window made
// on the calling thread (the window's, whose message loop delivers its
// WM_DEVICECHANGE) and registered for HID interfaces. The backend's own
// monitor runs a thread of its own for programs without a loop; the window
// waited for that thread at every start (under Wine a new GUI thread also
// opens a display connection of its own), for nothing the dialog's own
// notifications do not bring.
class WindowThreadHidMonitor final : public HidMonitor {
 public:
  ~WindowThreadHidMonitor() override {
    if (notification_) SystemHidCalls().UnregisterDeviceNotification(notification_);
    if (!window_) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    // A window goes only on its own thread; elsewhere it is asked to.
    if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
      DestroyWindow(window_);
    } else {
      PostMessageW(window_, WM_CLOSE, 0, 0);
    }
  }

  // False when the window cannot be made or registered.
  bool Start() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kMonitorWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kMonitorWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    if (!window_) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    notification_ = RegisterWindowForHidNotifications(SystemHidCalls(), window_);
    return notification_ != nullptr;
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
    if (message != WM_DEVICECHANGE) return DefWindowProcW(window, message, wParam, lParam);
    auto* self = reinterpret_cast<WindowThreadHidMonitor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    HidEvent event = HidEventFromDeviceChange(wParam, lParam);
    if (!self || event.kind == HidEventKind::kOther) return TRUE;
    std::function<void()> wake;
    {
      std::lock_guard lock(self->mutex_);
      if (self->events_.empty()) wake = self->eventsWaiting_;
      self->events_.push_back(std::move(event));
    }
    if (wake) wake();
    return TRUE;
  }

  HWND window_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
  std::mutex mutex_;
  std::function<void()> eventsWaiting_;
  std::vector<HidEvent> events_;
};

// The Windows backend with the window's own kind of monitor.
class WindowProgramHidBackend final : public HidBackend {
 public:
  std::vector<HidInterfaceInfo> Enumerate() override { return backend_->Enumerate(); }
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
    return backend_->Open(path, error);
  }
  std::unique_ptr<HidMonitor> CreateMonitor() override {
    auto monitor = std::make_unique<WindowThreadHidMonitor>();
    if (!monitor->Start()) return nullptr;
    return monitor;
  }

 private:
  std::unique_ptr<HidBackend> backend_ = CreateWindowsHidBackend();
};

}  // namespace

// Windows needs no permission for a HID mouse: a refused open means another
// program has the interface to itself, as tr58kctl.exe says too.
const char* const kAccessDeniedHint =
    // TRANSLATORS: the tooltip of the firmware version when another program
    // holds the mouse; give it once, in your language only. %1 is the
    // interface's device path.
    N_("已检测到鼠标（%1），但 Windows 拒绝打开它：另一个程序（很可能是鼠标厂商自带的配置工具）正在占用鼠标。\n"
       "请关闭该程序（也请查看通知区域），然后重新插拔鼠标。\n"
       "The mouse is plugged in (%1), but Windows refused to open it: another program holds it open, "
       "most likely the maker's own configuration tool.\n"
       "Close it (also in the notification area), then unplug the mouse and plug it in again.");

std::unique_ptr<HidBackend> CreatePlatformHidBackend() { return std::make_unique<WindowProgramHidBackend>(); }

std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor() {
  return std::make_unique<ExecutionStateInhibitor>();
}

}  // namespace tr58k
