// The main window's "固件更新" on the in-memory host: the update as a job of
// the window's device worker, and the view after it.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

#include "app/fw_update_dlg.h"
#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "firmware/firmware_messages.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

class CountingInhibitor final : public SleepInhibitor {
 public:
  bool Acquire(const std::string& why) override {
    reason = why;
    held = true;
    ++acquired;
    return true;
  }
  void Release() override { held = false; }
  std::atomic<bool> held{false};
  std::atomic<int> acquired{0};
  std::string reason;
};

class FirmwareHandoffRulesTest : public ::testing::Test {
 protected:
  // Clicks the main window's "固件更新" and runs `drive` in the update
  // window's modal run; if `drive` leaves it open, it is closed once its
  // work has ended.
  void WithUpdateWindow(const std::function<void(FakeWindowHost&)>& drive) {
    bool driven = false;
    host().onModal = [&](FakeWindowHost& fw) {
      drive(fw);
      driven = true;
      if (!fw.Ended() && fw.WaitUntil([&] { return !Running(fw); }, 20000)) fw.EndDialog(kIdCancel);
    };
    host().Click(ctl::kFirmwareUpdate);
    EXPECT_TRUE(driven) << "the update window did not open";
  }
  static bool Running(FakeWindowHost& fw) { return static_cast<CFwUpdate&>(fw.Logic()).UpdateRunning(); }
  static void Start(FakeWindowHost& fw) { fw.Click(fwctl::kUpdate); }
  static std::string StatusOf(FakeWindowHost& fw) { return fw.GetText(fwctl::kStatus); }
  static bool WaitForEnd(FakeWindowHost& fw) {
    return fw.WaitUntil([&] { return !Running(fw); }, 20000);
  }
  FakeWindowHost& host() { return rig.Host(); }
  CUpdaterDlg& win() { return rig.Window(); }

  WindowRig rig;
};

// Pulled out mid-update: the update fails, and the window, which heard the
// removal while the update ran, shows the mouse as absent once it has ended.
TEST_F(FirmwareHandoffRulesTest, AMouseGoneAfterTheUpdateShowsNoVersion) {
  rig.Open();
  WithUpdateWindow([&](FakeWindowHost& fw) {
    rig.clock.HoldSleepsOf(500);
    Start(fw);
    ASSERT_TRUE(fw.WaitUntil([&] { return rig.clock.Held(); }, 10000));
    rig.mouse->Unplug();
    rig.clock.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    EXPECT_EQ(StatusOf(fw), "固件更新出现错误，请重试！");
    fw.PressCloseBox();
  });
  rig.Settle();
  EXPECT_EQ(host().GetText(ctl::kFirmwareVersion), "-.--");
  EXPECT_EQ(rig.link->connected, 0);
}

// The update is a job of the window's device worker: one that is still
// running when the button is clicked (here the refresh after a plug-in,
// held in its settle wait) is finished before the update touches the link.
TEST_F(FirmwareHandoffRulesTest, TheUpdateWaitsForTheWindowsDeviceJobs) {
  rig.mouse->Unplug();
  rig.Open();
  rig.clock.HoldSleepsOf(900);
  rig.mouse->Plug();
  ASSERT_TRUE(rig.WaitUntil([&] { return rig.clock.Held(); }));
  WithUpdateWindow([&](FakeWindowHost& fw) {
    rig.mouse->ClearLog();
    Start(fw);
    for (int i = 0; i < 20; ++i) fw.RunPending();
    EXPECT_TRUE(rig.mouse->Exchanges().empty()) << "the update ran beside the refresh";
    EXPECT_FALSE(fw.IsEnabled(fwctl::kExit));
    rig.clock.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    EXPECT_EQ(StatusOf(fw), "更新完成，鼠标当前固件版本号：V0.27");
    fw.PressCloseBox();
  });
  rig.Settle();
  EXPECT_EQ(host().GetText(ctl::kFirmwareVersion), "V0.27");
}

TEST_F(FirmwareHandoffRulesTest, TheInhibitorIsHeldForTheUpdateOnly) {
  CountingInhibitor inhibitor;
  rig.Open();
  win().SetSleepInhibitor(&inhibitor);
  WithUpdateWindow([&](FakeWindowHost& fw) {
    rig.clock.HoldSleepsOf(500);
    Start(fw);
    ASSERT_TRUE(fw.WaitUntil([&] { return rig.clock.Held(); }, 10000));
    EXPECT_TRUE(inhibitor.held);
    rig.clock.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    fw.PressCloseBox();
  });
  rig.Settle();
  EXPECT_FALSE(inhibitor.held);
  EXPECT_EQ(inhibitor.acquired, 1);
  EXPECT_EQ(inhibitor.reason, kInhibitReason);
}

}  // namespace
}  // namespace tr58k
