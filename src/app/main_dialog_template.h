// The main window's template (dialog 102): its frame and controls, and the
// identifiers the window addresses them by.
#pragma once

#include "ui/dialog_template.h"

namespace tr58k {

namespace ctl {
inline constexpr int kFirmwareUpdate = 1001;  // "固件更新"
inline constexpr int kDriverUpdate = 1002;    // "驱动更新", the support page
inline constexpr int kLevelCount = 1019;      // number of DPI levels
inline constexpr int kDpiEdit1 = 1020;        // 1020..1023, rows 1..4
inline constexpr int kReportRate = 1024;
inline constexpr int kApply = 1025;           // "应用当前设置"
inline constexpr int kRestoreFactory = 1026;  // "还原出厂配置"
inline constexpr int kFirmwareVersion = 1027;
inline constexpr int kBacklight = 1028;
inline constexpr int kDpiSlider1 = 1029;      // 1029..1032, rows 1..4
inline constexpr int kDpiLabel1 = 1033;       // 1033..1036, rows 1..4
inline constexpr int kProgramVersion = 1037;
}  // namespace ctl

inline constexpr int kMainDialogId = 102;

const DialogTemplate& MainDialogTemplate();

}  // namespace tr58k
