// "应用当前设置" and "还原出厂配置" on the in-memory host, against the
// simulated mouse: the profile file, the block sent, the failures, and
// quick clicks one after another.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "device/config_commands.h"
#include "settings/profile_file.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

constexpr size_t kActiveLevelByte = 0x32;
constexpr size_t kLevelCountByte = 0x56;

uint16_t Le16(const std::vector<uint8_t>& block, size_t offset) {
  return static_cast<uint16_t>(block[offset] | (block[offset + 1] << 8));
}

int Edit(int row) { return ctl::kDpiEdit1 + row; }
int Slider(int row) { return ctl::kDpiSlider1 + row; }

class ApplyRestoreTest : public ::testing::Test {
 protected:
  void Open() {
    rig.Open();
    rig.mouse->ClearLog();
    rig.clock.Clear();
  }
  FakeWindowHost& host() { return rig.Host(); }
  CUpdaterDlg& win() { return rig.Window(); }
  void Click(int id) { host().Click(id); }
  void Settle() { rig.Settle(); }
  void Focus(int id) { host().Focus(id); }
  std::string EditText(int row) { return host().GetText(Edit(row)); }
  MouseSettings LoadSavedProfile() {
    MouseSettings loaded;
    loaded.profileName = u"(none)";
    EXPECT_TRUE(LoadProfile(loaded, rig.ProfilePath()));
    return loaded;
  }
  std::string ProfileBytes() {
    std::ifstream in(rig.ProfilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static const std::vector<uint8_t> kApplySequence;

  WindowRig rig;
};

const std::vector<uint8_t> ApplyRestoreTest::kApplySequence = {
    kCommandReadProfileSlot, kCommandWriteConfiguration, kCommandSelectProfile};

TEST_F(ApplyRestoreTest, ApplySavesTheControlsThenSendsThemWithoutALevel) {
  Open();
  host().SetCurSel(ctl::kLevelCount, 2);
  host().SetCurSel(ctl::kReportRate, 1);
  host().SetCheck(ctl::kBacklight, false);
  host().PageSlider(Slider(3), 1);  // 64 + a page of 63 steps
  host().SetText(Edit(0), "1000");  // after the move, which rewrites every box
  // The profile must hold the new values before the first command goes out.
  bool savedBeforeFirstSend = false;
  bool sawSend = false;
  rig.link->trace = [&](std::string_view line) {
    if (sawSend || line.substr(0, 4) != "set ") return;
    sawSend = true;
    MouseSettings early;
    savedBeforeFirstSend = LoadProfile(early, rig.ProfilePath()) && early.dpi[0].dpiX == 1000;
  };
  Click(ctl::kApply);
  Settle();
  rig.link->trace = nullptr;
  EXPECT_TRUE(savedBeforeFirstSend);
  EXPECT_EQ(rig.RequestCommands(), kApplySequence);
  const std::vector<uint8_t> block = rig.WrittenBlock(0);
  ASSERT_EQ(block.size(), kConfigBlockSize);
  EXPECT_EQ(block[kActiveLevelByte], 0xFF);
  EXPECT_EQ(block[kLevelCountByte], 3);
  EXPECT_EQ(block[0x15], kInterval500Hz);
  EXPECT_EQ(block[0x1A], 0);
  EXPECT_EQ(Le16(block, 0x34), 1000);
  EXPECT_EQ(Le16(block, 0x5C), 6350);
  const MouseSettings saved = LoadSavedProfile();
  EXPECT_EQ(saved.profileName, u"Profile");
  EXPECT_EQ(saved.dpiLevelCount, 3);
  EXPECT_EQ(saved.reportInterval, kInterval500Hz);
  EXPECT_EQ(saved.wheelBacklight, 0);
  EXPECT_EQ(saved.dpi[0], (DpiPair{1000, 1000}));
  EXPECT_EQ(saved.dpi[3], (DpiPair{6350, 6350}));
  EXPECT_EQ(win().Settings().restorePending, 0);
  EXPECT_EQ(win().Settings().dpi[3].dpiX, 6350);
  EXPECT_TRUE(host().warnings.empty());
  // The whole apply ran on the worker: not one wait on the window's thread.
  EXPECT_TRUE(rig.clock.SleepsOn(std::this_thread::get_id()).empty());
  EXPECT_EQ(rig.clock.CountOf(1500), 1u);
}

TEST_F(ApplyRestoreTest, RestoreShowsFactoryValuesSavesThemAndSendsLevelTwo) {
  MouseSettings s;
  s.dpiLevelCount = 1;
  s.wheelBacklight = 0;
  s.dpi[0] = DpiPair{5000, 5000};
  rig.WriteProfile(s);
  Open();
  host().SetCurSel(ctl::kReportRate, 3);
  Click(ctl::kRestoreFactory);
  Settle();
  EXPECT_EQ(host().GetCurSel(ctl::kLevelCount), 3);
  EXPECT_EQ(host().GetCurSel(ctl::kReportRate), 0);
  EXPECT_TRUE(host().GetCheck(ctl::kBacklight));
  const char* dpis[] = {"400", "800", "1600", "3200"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(EditText(k), dpis[k]);
    EXPECT_TRUE(host().IsShown(Edit(k)));
  }
  EXPECT_EQ(rig.RequestCommands(), kApplySequence);
  const std::vector<uint8_t> block = rig.WrittenBlock(0);
  ASSERT_EQ(block.size(), kConfigBlockSize);
  EXPECT_EQ(block[kActiveLevelByte], 2);
  EXPECT_EQ(block[0x01], 'p');  // the factory name "profile"
  const MouseSettings saved = LoadSavedProfile();
  EXPECT_EQ(saved.profileName, u"profile");
  EXPECT_EQ(saved.dpiLevelCount, 4);
  EXPECT_EQ(saved.dpi[0], (DpiPair{400, 400}));
  EXPECT_EQ(saved.activeLevel, 2);
  EXPECT_EQ(win().Settings().restorePending, 1);
  // The next apply goes out without a level again.
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(rig.WrittenBlock(1)[kActiveLevelByte], 0xFF);
}

TEST_F(ApplyRestoreTest, RestoreWithTheMouseAbsentShowsFactoryValuesThenTheMessage) {
  MouseSettings s;
  s.dpi[2] = DpiPair{9000, 9000};
  rig.WriteProfile(s);
  const std::string before = ProfileBytes();
  rig.mouse->Unplug();
  Open();
  ASSERT_EQ(EditText(2), "9000");
  // The box must come after the controls show the factory values.
  std::string thirdBoxWhenShown;
  host().whileWarning = [&](const std::string&) { thirdBoxWhenShown = EditText(2); };
  Click(ctl::kRestoreFactory);
  Settle();
  ASSERT_EQ(host().warnings.size(), 1u);
  EXPECT_EQ(host().warnings[0], "检测不到ZEMO TR-58K鼠标,请重试！");
  EXPECT_EQ(thirdBoxWhenShown, "1600");
  EXPECT_EQ(ProfileBytes(), before);
  EXPECT_EQ(rig.link->connected, 0);
}

TEST_F(ApplyRestoreTest, ApplyWithTheMouseAbsentSavesNothing) {
  rig.mouse->Unplug();
  Open();
  host().SetText(Edit(0), "2000");
  Click(ctl::kApply);
  Settle();
  ASSERT_EQ(host().warnings.size(), 1u);
  EXPECT_EQ(host().warnings[0], "检测不到ZEMO TR-58K鼠标,请重试！");
  EXPECT_FALSE(std::filesystem::exists(rig.ProfilePath()));
  EXPECT_EQ(win().Settings().dpi[0].dpiX, 400);
  EXPECT_EQ(EditText(0), "2000");  // the controls are not read
}

TEST_F(ApplyRestoreTest, FailedSlotQuerySavesTheProfileButWritesNothing) {
  Open();
  rig.mouse->AddFault(Fault::SlotAnswer(5));
  host().SetText(Edit(1), "1200");
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(rig.RequestCommands(), std::vector<uint8_t>{kCommandReadProfileSlot});
  EXPECT_EQ(LoadSavedProfile().dpi[1].dpiX, 1200);
  EXPECT_TRUE(host().warnings.empty());
}

TEST_F(ApplyRestoreTest, FailedWriteSendsNoSelect) {
  Open();
  rig.mouse->AddFault(Fault::GetError(hid_error::kGeneralFailure).ForCommand(kCommandWriteConfiguration));
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(rig.RequestCommands(),
            (std::vector<uint8_t>{kCommandReadProfileSlot, kCommandWriteConfiguration}));
  EXPECT_TRUE(host().warnings.empty());
}

TEST_F(ApplyRestoreTest, TypedValuesAreCommittedBeforeTheyAreSent) {
  Open();
  Focus(Edit(0));
  host().SetText(Edit(0), "99999");  // focused: the tick would leave it alone
  host().SetText(Edit(1), "425");
  host().SetText(Edit(2), "");
  host().SetText(Edit(3), "70000");  // low 16 bits 4464, a plausible DPI
  // No selection in the level list: the record's count stays.
  host().SetText(ctl::kLevelCount, "x");
  ASSERT_EQ(host().GetCurSel(ctl::kLevelCount), -1);
  win().OnApply();
  Settle();
  const std::vector<uint8_t> block = rig.WrittenBlock(0);
  ASSERT_EQ(block.size(), kConfigBlockSize);
  EXPECT_EQ(Le16(block, 0x34), 16000);
  EXPECT_EQ(Le16(block, 0x3D), 450);
  EXPECT_EQ(Le16(block, 0x52), 50);
  EXPECT_EQ(Le16(block, 0x5C), 16000);
  EXPECT_EQ(block[kLevelCountByte], 4);
  EXPECT_EQ(EditText(0), "16000");
  EXPECT_EQ(host().GetSliderPos(Slider(0)), 320);
  EXPECT_EQ(LoadSavedProfile().dpiLevelCount, 4);
}

TEST_F(ApplyRestoreTest, QuickClicksRunOneAfterAnotherInClickOrder) {
  Open();
  // Hold the first apply in its profile-select wait, with the link in use.
  rig.clock.HoldSleepsOf(1500);
  host().SetText(Edit(0), "1000");
  Click(ctl::kApply);
  ASSERT_TRUE(host().WaitUntil([&] { return rig.clock.Held(); }, 10000));
  host().SetText(Edit(0), "2000");
  Click(ctl::kApply);
  Click(ctl::kRestoreFactory);
  Click(ctl::kApply);
  // Nothing of the later clicks reaches the mouse, the record or the
  // controls while the first job holds the link; the window still answers.
  for (int i = 0; i < 20; ++i) host().RunPending();
  EXPECT_EQ(rig.RequestCommands(), kApplySequence);
  EXPECT_EQ(EditText(0), "2000");
  EXPECT_EQ(win().Settings().dpi[0].dpiX, 1000);
  win().OnTimerTick();
  EXPECT_EQ(host().GetSliderPos(Slider(0)), 40);
  rig.clock.Release();
  Settle();
  std::vector<uint8_t> expected;
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), kApplySequence.begin(), kApplySequence.end());
  EXPECT_EQ(rig.RequestCommands(), expected);
  const uint16_t level1[] = {1000, 2000, 400, 400};
  const uint8_t activeLevel[] = {0xFF, 0xFF, 2, 0xFF};
  for (size_t n = 0; n < 4; ++n) {
    const std::vector<uint8_t> block = rig.WrittenBlock(n);
    ASSERT_EQ(block.size(), kConfigBlockSize) << n;
    EXPECT_EQ(Le16(block, 0x34), level1[n]) << "write " << n;
    EXPECT_EQ(block[kActiveLevelByte], activeLevel[n]) << "write " << n;
  }
  EXPECT_EQ(rig.clock.CountOf(1500), 4u);
  EXPECT_TRUE(host().warnings.empty());
}

TEST_F(ApplyRestoreTest, EveryClickWithTheMouseAbsentGetsItsMessage) {
  rig.mouse->Unplug();
  Open();
  Click(ctl::kApply);
  Click(ctl::kRestoreFactory);
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(host().warnings.size(), 3u);
}

}  // namespace
}  // namespace tr58k
