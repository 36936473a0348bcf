// The windows in other languages on the Win32 host under Wine: every
// translation measured in the dialog's own font against its control, and a
// change of language read back from the real dialogs by control identifier.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>

#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "device/device_link.h"
#include "device/sim/simulated_firmware_image.h"
#include "device/sim/simulated_mouse.h"
#include "i18n/text_lookup.h"
#include "settings/profile_file.h"
#include "testing/cli_rig.h"
#include "testing/fake_clock.h"
#include "testing/language_switch.h"
#include "testing/text_fit.h"
#include "testing/win32_dialog_rig.h"
#include "ui/win32/dialog_template_win32.h"
#include "ui/win32/utf16.h"
#include "ui/win32/win32_dialog_host.h"

namespace tr58k {
namespace {

using test::LanguageRun;
using test::TextOnControl;
using test::TextRoom;

std::string WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return WideToUtf8(text);
}

// The dialog's controls in creation order, which is the template's.
std::vector<HWND> Controls(HWND dialog) {
  std::vector<HWND> controls;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    controls.push_back(c);
  }
  return controls;
}

// The caption, then every control: by identifier, or by place for those
// without one.
std::vector<std::string> ShownTexts(HWND dialog, const DialogTemplate& tmpl) {
  std::vector<std::string> texts{WindowText(dialog)};
  const std::vector<HWND> controls = Controls(dialog);
  for (size_t i = 0; i < tmpl.controls.size(); ++i) {
    const int id = tmpl.controls[i].id;
    HWND control = id != kNoControlId ? GetDlgItem(dialog, id)
                                      : (i < controls.size() ? controls[i] : nullptr);
    texts.push_back(control ? WindowText(control) : "(missing)");
  }
  return texts;
}

// The room each control gives its text, measured in the dialog's own font:
// a static's text wraps at words as DrawText wraps it; a push button's
// stays within its border and focus rectangle (4 pixels from each side); a
// check box's beside the box (SM_CXMENUCHECK and 4 pixels); a group box's
// title within the frame's corners, 8 pixels from each side; the status
// field's line within its formatting rectangle (EM_GETRECT).
class Win32Measure {
 public:
  ~Win32Measure() {
    for (auto& [tmpl, dialog] : dialogs_) DestroyWindow(dialog);
  }

  TextRoom operator()(const TextOnControl& item) {
    HWND& dialog = dialogs_[item.dialog];
    if (!dialog) {
      const std::vector<WORD> bytes = BuildDialogTemplateEx(*item.dialog);
      dialog = CreateDialogIndirectParamW(
          GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), nullptr,
          [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    }
    const std::vector<HWND> controls = Controls(dialog);
    if (item.index >= controls.size()) return {0, 0, 1, 1};
    HWND control = controls[item.index];
    RECT client{};
    GetClientRect(control, &client);
    TextRoom room{client.right, client.bottom, 0, 0};
    const std::wstring text = Utf8ToWide(item.control->text);
    HDC dc = GetDC(control);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    room.needWidth = extent.cx;
    room.needHeight = extent.cy;
    switch (item.control->kind) {
      case ControlKind::kStatic: {
        RECT needed{0, 0, client.right, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        room.needWidth = needed.right;
        room.needHeight = needed.bottom;
        break;
      }
      case ControlKind::kPushButton:
        room.haveWidth -= 8;
        room.haveHeight -= 8;
        break;
      case ControlKind::kCheckBox:
        room.haveWidth -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
        break;
      case ControlKind::kGroupBox:
        room.haveWidth -= 16;
        break;
      case ControlKind::kEdit: {
        RECT format{};
        SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        room.haveWidth = format.right - format.left;
        room.haveHeight = format.bottom - format.top;
        break;
      }
      default:
        break;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return room;
  }

 private:
  std::map<const DialogTemplate*, HWND> dialogs_;
};

TEST(Win32TextFit, EveryTranslationFitsItsControl) {
  InitWin32Controls();
  Win32Measure measure;
  const test::FitSummary summary = test::CheckTextsFit(std::ref(measure));
  for (const std::string& line : summary.languages) std::printf("fit (Win32): %s\n", line.c_str());
  for (const std::string& misfit : summary.misfits) ADD_FAILURE() << misfit;
  EXPECT_EQ(summary.languages.size(), CatalogueCodes().size() + 1)
      << "the texts as written and every catalogue";
  EXPECT_GE(CatalogueCodes().size(), 9u);
}

class Win32LanguageTest : public ::testing::Test {
 protected:
  void TearDown() override { UseCatalogue(""); }

  // Open, apply, then an update with the mouse out (the message boxes'
  // texts come from the same rules on every host: the Qt test reads them).
  LanguageRun RunIn(const std::string& language) {
    EXPECT_TRUE(UseCatalogue(language)) << language;
    LanguageRun run;
    std::remove(DefaultProfilePath().c_str());
    TaggedClock clock;
    SimulatedMouse mouse(clock);
    DeviceLink link(mouse, clock);
    link.testImagesAllowed = true;
    CUpdaterDlg window(link, ImageForSimulatedUpdate());
    {
      Win32DialogRig rig(window);
      HWND dlg = rig.Dialog();
      const auto idle = [&] { return rig.WaitUntil([&] { return window.DeviceWorkIdle(); }); };
      EXPECT_TRUE(idle());
      EXPECT_TRUE(rig.WaitUntil([&] { return rig.Text(dlg, ctl::kFirmwareVersion) == "V0.26"; }));
      run.mainTexts = ShownTexts(dlg, MainDialogTemplate());
      mouse.ClearLog();
      rig.Click(dlg, ctl::kApply);
      EXPECT_TRUE(idle());
      run.requests = mouse.Requests();
      run.profile = ReadBytes(DefaultProfilePath());
      mouse.Unplug();
      EXPECT_TRUE(rig.WaitUntil([&] { return rig.Text(dlg, ctl::kFirmwareVersion) == "-.--"; }));
      rig.ClickLater(dlg, ctl::kFirmwareUpdate);
      HWND fw = rig.WaitForDialog(1);
      EXPECT_NE(fw, nullptr);
      if (fw) {
        run.updateTexts = ShownTexts(fw, FwUpdateDialogTemplate());
        rig.ClickLater(fw, fwctl::kUpdate);
        EXPECT_TRUE(rig.WaitUntil([&] {
          return !rig.Text(fw, fwctl::kStatus).empty() && rig.Enabled(fw, fwctl::kExit);
        }));
        run.messages.push_back(rig.Text(fw, fwctl::kStatus));
        rig.ClickLater(fw, fwctl::kExit);
        EXPECT_TRUE(rig.WaitUntil([&] { return !rig.IsOpen(1); }));
      }
    }
    std::remove(DefaultProfilePath().c_str());
    return run;
  }
};

TEST_F(Win32LanguageTest, ASwitchChangesEveryTextOfBothWindowsAndNoStoredByte) {
  const LanguageRun source = RunIn("");
  ASSERT_FALSE(source.mainTexts.empty());
  EXPECT_EQ(source.mainTexts[0], "ZEMO TR-58K 电竞光学鼠标");
  for (const char* language : {"zh_CN", "ru"}) {
    const LanguageRun run = RunIn(language);
    const bool sameTexts = std::string(language) == "zh_CN";
    for (const std::string& difference : test::CompareLanguageRuns(
             source, run, MainDialogTemplate(), FwUpdateDialogTemplate(), sameTexts)) {
      ADD_FAILURE() << language << ": " << difference;
    }
  }
}

}  // namespace
}  // namespace tr58k
