// The firmware update window's template (dialog 131): its frame and
// controls, and the identifiers the window addresses them by.
#pragma once

#include "ui/dialog_template.h"

namespace tr58k {

namespace fwctl {
inline constexpr int kProgress = 1000;  // progress bar, 0..100
inline constexpr int kUpdate = 1001;    // "固件更新"
inline constexpr int kExit = 1003;      // "退出"
inline constexpr int kStatus = 1017;    // the one-line status field
}  // namespace fwctl

inline constexpr int kFwUpdateDialogId = 131;

const DialogTemplate& FwUpdateDialogTemplate();

}  // namespace tr58k
