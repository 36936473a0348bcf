// The real Win32 dialogs of tr58k-config.exe against the simulated mouse on
// a manual clock, driven by control identifier from the test's thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "device/device_link.h"
#include "device/sim/simulated_firmware_image.h"
#include "device/sim/simulated_mouse.h"
#include "settings/profile_file.h"
#include "testing/fake_clock.h"
#include "testing/win32_dialog_rig.h"
#include "app/win32/win32_window_fixture.h"

namespace tr58k {
namespace {

// What the Linux build writes for the factory settings with DPI 1 at 1000
// (tr58kctl --simulate apply --dpi 1000,800,1600,3200 there).
const std::vector<uint8_t> kProfileWithDpi1000 = {
    0xFA, 0x15, 0x34, 0x01, 0x07, 0x00, 0x00, 0x00, 0x50, 0x00, 0x72, 0x00, 0x6F, 0x00, 0x66, 0x00,
    0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x04, 0x02,
    0x00, 0x00, 0x00, 0x00, 0xE8, 0x03, 0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x20, 0x03, 0x20, 0x03,
    0x00, 0x00, 0x00, 0x00, 0x40, 0x06, 0x40, 0x06, 0x80, 0x0C, 0x80, 0x0C};

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Win32WindowTest : public Win32WindowFixture {
 protected:
  void SetUp() override {
    MakeWindow();
    link_->testImagesAllowed = true;  // as the program's --simulate start-up does
  }
  std::vector<std::string> Edits(HWND dlg) {
    std::vector<std::string> out;
    for (int k = 0; k < 4; ++k) out.push_back(rig_->Text(dlg, ctl::kDpiEdit1 + k));
    return out;
  }
};

using Texts = std::vector<std::string>;

TEST_F(Win32WindowTest, StartSliderApplyRestoreAndTheCable) {
  HWND dlg = Open();
  ASSERT_NE(dlg, nullptr);
  ASSERT_TRUE(Idle());
  wchar_t caption[128] = {};
  GetWindowTextW(dlg, caption, 128);
  EXPECT_EQ(std::wstring(caption), L"ZEMO TR-58K 电竞光学鼠标");
  EXPECT_TRUE(rig_->WaitUntil([&] { return rig_->Text(dlg, ctl::kFirmwareVersion) == "V0.26"; }));
  EXPECT_EQ(Edits(dlg), (Texts{"400", "800", "1600", "3200"}));
  EXPECT_EQ(rig_->CurSel(dlg, ctl::kLevelCount), 3);
  EXPECT_EQ(rig_->CurSel(dlg, ctl::kReportRate), 0);
  EXPECT_TRUE(rig_->Checked(dlg, ctl::kBacklight));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(rig_->SliderPos(dlg, ctl::kDpiSlider1 + k), 8 << k);

  // A slider move rewrites the boxes; typing moves the slider back.
  rig_->MoveSlider(dlg, ctl::kDpiSlider1, 20);
  EXPECT_EQ(Edits(dlg), (Texts{"1000", "800", "1600", "3200"}));
  rig_->TypeText(dlg, ctl::kDpiEdit1 + 1, "2000");
  EXPECT_TRUE(rig_->WaitUntil([&] { return rig_->SliderPos(dlg, ctl::kDpiSlider1 + 1) == 40; }));
  rig_->TypeText(dlg, ctl::kDpiEdit1 + 1, "800");
  EXPECT_TRUE(rig_->WaitUntil([&] { return rig_->SliderPos(dlg, ctl::kDpiSlider1 + 1) == 16; }));

  // Apply sends the block and saves the profile as the Linux build does.
  const size_t writesBefore = mouse_->Requests().size();
  rig_->Click(dlg, ctl::kApply);
  ASSERT_TRUE(Idle());
  EXPECT_GT(mouse_->Requests().size(), writesBefore);
  const std::vector<uint8_t> saved = ReadFile(DefaultProfilePath());
  EXPECT_EQ(saved, kProfileWithDpi1000) << "saved " << saved.size() << " bytes";

  // Fewer levels: the rows past the count go.
  rig_->Choose(dlg, ctl::kLevelCount, 1);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, ctl::kDpiSlider1 + 2)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, ctl::kDpiEdit1 + 3)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, ctl::kDpiSlider1 + 1)));

  // Restore brings the factory settings back.
  rig_->Click(dlg, ctl::kRestoreFactory);
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(rig_->WaitUntil([&] { return Edits(dlg) == Texts{"400", "800", "1600", "3200"}; }));
  EXPECT_EQ(rig_->CurSel(dlg, ctl::kLevelCount), 3);

  // The cable: out, and in again.
  mouse_->Unplug();
  EXPECT_TRUE(rig_->WaitUntil([&] { return rig_->Text(dlg, ctl::kFirmwareVersion) == "-.--"; }));
  mouse_->Plug();
  EXPECT_TRUE(rig_->WaitUntil([&] { return rig_->Text(dlg, ctl::kFirmwareVersion) == "V0.26"; }));
}

TEST_F(Win32WindowTest, TheUpdateWindowRunsAnUpdateToItsEnd) {
  HWND dlg = Open();
  ASSERT_NE(dlg, nullptr);
  ASSERT_TRUE(Idle());
  rig_->ClickLater(dlg, ctl::kFirmwareUpdate);
  HWND fw = rig_->WaitForDialog(1);
  ASSERT_NE(fw, nullptr);
  EXPECT_EQ(GetWindow(fw, GW_OWNER), dlg);
  EXPECT_EQ(rig_->ProgressPos(fw, fwctl::kProgress), 0);
  clock_.HoldSleepsOf(500);  // the pause after the transfer has begun
  rig_->ClickLater(fw, fwctl::kUpdate);
  ASSERT_TRUE(rig_->WaitUntil([&] { return clock_.Held(); }));
  EXPECT_EQ(rig_->Text(fw, fwctl::kStatus), "请勿拔出鼠标！固件更新中...");
  const int progressHeld = rig_->ProgressPos(fw, fwctl::kProgress);
  EXPECT_GT(progressHeld, 0);
  EXPECT_LT(progressHeld, 97);
  clock_.Release();
  EXPECT_TRUE(rig_->WaitUntil(
      [&] { return rig_->Text(fw, fwctl::kStatus) == "更新完成，鼠标当前固件版本号：V0.27"; }, 20000))
      << rig_->Text(fw, fwctl::kStatus);
  // The last step of the simulated update's 21,504-byte image.
  EXPECT_EQ(rig_->ProgressPos(fw, fwctl::kProgress), 97);
  rig_->ClickLater(fw, fwctl::kExit);
  EXPECT_TRUE(rig_->WaitUntil([&] { return !rig_->IsOpen(1); }));
  EXPECT_TRUE(rig_->WaitUntil([&] { return rig_->Text(dlg, ctl::kFirmwareVersion) == "V0.27"; }));
}

}  // namespace
}  // namespace tr58k
