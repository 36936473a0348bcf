#include "app/app_platform.h"

#include <windows.h>

#include "device/windows/device_notification.h"
#include "device/windows/windows_hid_backend.h"
#include "firmware/windows/execution_state_inhibitor.h"
#include "i18n/text_lookup.h"

namespace tr58k {

namespace {

// Plug and unplug for the configuration window come on the window's own
// thread: the backend's own monitor runs a thread of its own for programs
// without a loop, which the window waited for at every start (under Wine a
// new GUI thread also opens a display connection of its own), for nothing
// the dialog's own loop does not bring.
class WindowProgramHidBackend final : public HidBackend {
 public:
  std::vector<HidInterfaceInfo> Enumerate() override { return backend_->Enumerate(); }
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
    return backend_->Open(path, error);
  }
  std::unique_ptr<HidMonitor> CreateMonitor() override {
    return CreateCurrentThreadMonitor(SystemHidCalls());
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
