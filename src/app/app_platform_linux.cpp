#include "app/app_platform.h"

#include "device/linux/linux_hid_backend.h"
#include "firmware/linux/logind_inhibitor.h"
#include "i18n/text_lookup.h"

namespace tr58k {

const char* const kAccessDeniedHint =
    // TRANSLATORS: the tooltip of the firmware version when the mouse may
    // not be opened; give it once, in your language only. %1 is the
    // device node (/dev/hidraw3).
    N_("已检测到鼠标（%1），但当前用户无权访问。\n"
       "请安装 udev 规则 70-zemo-tr58k.rules（随本程序提供），然后重新插拔鼠标。\n"
       "The mouse is plugged in, but this user may not open %1.\n"
       "Install the udev rule 70-zemo-tr58k.rules that comes with this program, then replug the mouse.");

std::unique_ptr<HidBackend> CreatePlatformHidBackend() { return CreateLinuxHidBackend(); }

std::unique_ptr<SleepInhibitor> CreatePlatformSleepInhibitor() {
  return std::make_unique<LogindSleepInhibitor>();
}

}  // namespace tr58k
