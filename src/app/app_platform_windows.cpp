#include "app/app_platform.h"

#include "device/windows/windows_hid_backend.h"
#include "firmware/windows/execution_state_inhibitor.h"

namespace tr58k {

// Windows needs no permission for a HID mouse: a refused open means another
// program has the interface to itself, as tr58kctl.exe says too.
const char kAccessDeniedHint[] =
    "已检测到鼠标（%1），但 Windows 拒绝打开它：另一个程序（很可能是鼠标厂商自带的配置工具）正在占用鼠标。\n"
    "请关闭该程序（也请查看通知区域），然后重新插拔鼠标。\n"
    "The mouse is plugged in (%1), but Windows refused to open it: another program holds it open, "
    "most likely the maker's own configuration tool.\n"
    "Close it (also in the notification area), then unplug the mouse and plug it in again.";

std::unique_ptr<HidBackend> CreatePlatformHidBackend() { return CreateWindowsHidBackend(); }

std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor() {
  return std::make_unique<ExecutionStateInhibitor>();
}

}  // namespace tr58k
