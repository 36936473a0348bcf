#include "app/main_dialog_template.h"

#include "i18n/text_lookup.h"

namespace tr58k {

const DialogTemplate& MainDialogTemplate() {
  using K = ControlKind;
  static const DialogTemplate tmpl{
      kMainDialogId,
      N_("ZEMO TR-58K 电竞光学鼠标"),
      "MS Shell Dlg",
      8,
      345,
      296,
      /*minimizeBox=*/true,
      {
          // TRANSLATORS: every text of the window must fit its control,
          // whose x, y, width and height in dialog units follow the text
          // (4 units are the dialog font's average character width, 8 its
          // height); the fit test measures each language in that font.
          {1001, K::kPushButton, N_("固件更新"), 156, 206, 74, 19},
          {kNoControlId, K::kGroupBox, N_("版本信息"), 12, 191, 234, 72},
          {kNoControlId, K::kStatic, N_("DPI 循环"), 18, 52, 30, 8},
          {kNoControlId, K::kGroupBox, N_("DPI 设置 (鼠标出厂设置为第二级)"), 12, 30, 324, 154},
          {1019, K::kComboDropDown, "", 62, 50, 66, 66},
          {1033, K::kCaptionLabel, "DPI 1:", 30, 81, 24, 8},
          {1020, K::kEdit, "", 282, 76, 41, 14, /*digitsOnly=*/true},
          {1034, K::kCaptionLabel, "DPI 2:", 30, 105, 24, 8},
          {1021, K::kEdit, "", 282, 100, 42, 14, true},
          {1035, K::kCaptionLabel, "DPI 3:", 30, 129, 24, 8},
          {1022, K::kEdit, "", 282, 124, 42, 14, true},
          {1036, K::kCaptionLabel, "DPI 4:", 30, 153, 24, 8},
          {1023, K::kEdit, "", 282, 148, 42, 14, true},
          {1025, K::kPushButton, N_("应用当前设置"), 252, 237, 84, 18},
          {kNoControlId, K::kStatic, N_("当前固件版本号:"), 24, 211, 66, 12},
          {1027, K::kStatic, "", 93, 211, 42, 12},
          {1028, K::kCheckBox, N_("开启滚轮背光"), 162, 11, 92, 10},
          {1026, K::kPushButton, N_("还原出厂配置"), 252, 203, 84, 18},
          {1029, K::kTrackbar, "", 54, 77, 222, 15},
          {1030, K::kTrackbar, "", 54, 100, 222, 15},
          {1031, K::kTrackbar, "", 54, 124, 222, 15},
          {1032, K::kTrackbar, "", 53, 148, 223, 15},
          {kNoControlId, K::kStatic, N_("当前驱动版本号:"), 24, 235, 60, 12},
          {1037, K::kStatic, "", 93, 235, 48, 12},
          {1002, K::kPushButton, N_("驱动更新"), 156, 231, 74, 19},
          {kNoControlId, K::kStatic, N_("鼠标刷新率:"), 18, 11, 44, 8},
          {1024, K::kComboDropDown, "", 62, 9, 66, 66},
          {kNoControlId, K::kStatic, N_("级"), 136, 52, 9, 8},
          {kNoControlId, K::kStatic,
           N_("温馨提示：驱动界面关闭后，程序将直接退出，如需经常使用，请保存在电脑桌面。"), 13, 272,
           317, 13},
      },
      /*modalFrame=*/false,
      /*taskbarButton=*/true};
  return tmpl;
}

}  // namespace tr58k
