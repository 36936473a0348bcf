#include "app/fw_update_template.h"

#include "i18n/text_lookup.h"

namespace tr58k {

const DialogTemplate& FwUpdateDialogTemplate() {
  using K = ControlKind;
  // Creation and tab order as listed: the update button is the first that
  // takes the focus.
  static const DialogTemplate tmpl{
      kFwUpdateDialogId,
      N_("ZEMO TR-58K 电竞光学鼠标 固件更新"),
      "MS Shell Dlg",
      8,
      268,
      110,
      /*minimizeBox=*/false,
      {
          {fwctl::kProgress, K::kProgressBar, "", 18, 42, 234, 14},
          {fwctl::kUpdate, K::kPushButton, N_("固件更新"), 198, 72, 55, 19},
          {kNoControlId, K::kStatic, N_("进度:"), 18, 20, 20, 8, false, false, /*groupStart=*/true},
          {fwctl::kStatus, K::kEdit, "", 45, 18, 206, 14, /*digitsOnly=*/false, /*borderless=*/true,
           false, /*displayOnly=*/true},
          {fwctl::kExit, K::kPushButton, N_("退出"), 132, 72, 55, 19},
      },
      /*modalFrame=*/true};
  return tmpl;
}

}  // namespace tr58k
