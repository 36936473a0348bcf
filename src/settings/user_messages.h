// Texts the user reads, shared by the window and tr58kctl (UTF-8). The
// messages are in the windows' source language; show them through Tr.
#pragma once

#include "i18n/text_lookup.h"

namespace tr58k {

// The program's own version, as the window shows it.
inline constexpr char kProgramVersionText[] = "V0.26";
// The firmware version shown while no mouse is connected.
inline constexpr char kNoFirmwareVersionText[] = "-.--";
// The mouse is missing on apply or restore.
inline constexpr const char* kMouseNotFoundMessage = N_("检测不到ZEMO TR-58K鼠标,请重试！");
// Plug and unplug cannot be watched.
inline constexpr const char* kNotificationFailedMessage = N_("RegisterDeviceNotification Failed!");

}  // namespace tr58k
