// The main window's start-up, plug and unplug rules on the in-memory host,
// against the simulated mouse on a manual clock.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <thread>

#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "testing/shown_settings.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

constexpr char kMousePath[] = "/sys/devices/pci0000:00/usb1/1-1/1-1:1.1/0003:4C95:5837.0009/hidraw/hidraw4";

int Edit(int row) { return ctl::kDpiEdit1 + row; }
int Slider(int row) { return ctl::kDpiSlider1 + row; }

class MainWindowRulesTest : public ::testing::Test {
 protected:
  void ExpectShown(const ShownSettings& s) {
    EXPECT_EQ(host().GetCurSel(ctl::kLevelCount), s.levelIndex);
    EXPECT_EQ(host().GetCurSel(ctl::kReportRate), s.rateIndex);
    EXPECT_EQ(host().GetCheck(ctl::kBacklight), s.backlight);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(EditText(k), s.edits[k]) << "row " << k + 1;
      EXPECT_EQ(host().GetSliderPos(Slider(k)), s.sliders[k]) << "row " << k + 1;
    }
  }
  static MouseSettings Custom() { return CustomSettings(); }
  static constexpr ShownSettings kDefaults = kShownDefaults;
  static constexpr ShownSettings kCustom = kShownCustom;
  FakeWindowHost& host() { return rig.Host(); }
  CUpdaterDlg& win() { return rig.Window(); }
  std::string Version() { return host().GetText(ctl::kFirmwareVersion); }
  std::string EditText(int row) { return host().GetText(Edit(row)); }

  WindowRig rig;
};

TEST_F(MainWindowRulesTest, MouseAbsentWithoutProfileShowsTheDefaults) {
  rig.mouse->Unplug();
  rig.Open();
  ExpectShown(kDefaults);
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(host().IsShown(Edit(k)));
  EXPECT_EQ(Version(), "-.--");
  EXPECT_TRUE(host().warnings.empty());
  EXPECT_FALSE(std::filesystem::exists(rig.ProfilePath()));
}

TEST_F(MainWindowRulesTest, MouseThatMayNotBeOpenedSaysWhyInTheVersionTip) {
  rig.mouse->AddFault(Fault::OpenError(hid_error::kAccessDenied, Fault::kForever));
  rig.Open();
  EXPECT_EQ(Version(), "-.--");
  const std::string tip = host().Get(ctl::kFirmwareVersion).toolTip;
#ifdef _WIN32
  // No permission rule on Windows: another program has the mouse.
  EXPECT_NE(tip.find("another program holds it open"), std::string::npos) << tip;
  EXPECT_EQ(tip.find("udev"), std::string::npos) << tip;
#else
  EXPECT_NE(tip.find("70-zemo-tr58k.rules"), std::string::npos) << tip;
#endif
  EXPECT_NE(tip.find("/dev/hidraw"), std::string::npos) << "names the interface: " << tip;
  EXPECT_TRUE(host().warnings.empty()) << "no message box beyond the usual ones";

  // Once the mouse may be opened and is replugged, the hint goes away.
  rig.mouse->ClearFaults();
  rig.mouse->Unplug();
  rig.mouse->Plug();
  rig.Settle();
  EXPECT_EQ(Version(), "V0.26");
  EXPECT_TRUE(host().Get(ctl::kFirmwareVersion).toolTip.empty());
}

TEST_F(MainWindowRulesTest, MouseAbsentShowsTheProfile) {
  rig.mouse->Unplug();
  rig.WriteProfile(Custom());
  rig.Open();
  ExpectShown(kCustom);
  EXPECT_TRUE(host().IsShown(Edit(1)));
  EXPECT_FALSE(host().IsShown(Edit(2)));
  EXPECT_EQ(Version(), "-.--");
  EXPECT_EQ(win().Settings().dpiLevelCount, 2);
}

TEST_F(MainWindowRulesTest, VersionNumberReadsAsDecimalDigits) {
  rig.mouse->SetVersionNumber(0x0103);
  rig.Open();
  EXPECT_EQ(Version(), "V1.03");
}

TEST_F(MainWindowRulesTest, FailedConfigurationReadKeepsTheProfileButShowsTheVersion) {
  rig.WriteProfile(Custom());
  rig.mouse->AddFault(Fault::Status(2).ForCommand(0x07));
  rig.Open();
  ExpectShown(kCustom);
  EXPECT_EQ(Version(), "V0.26");
}

TEST_F(MainWindowRulesTest, PluggingInShowsTheMouseSettingsAndDropsUnappliedEdits) {
  rig.mouse->Unplug();
  rig.SetMouseSettings(Custom());
  rig.Open();
  host().SetText(Edit(0), "7000");
  host().SetCurSel(ctl::kReportRate, 3);
  rig.clock.Clear();
  rig.mouse->Plug();
  rig.Settle();
  ExpectShown(kCustom);
  EXPECT_EQ(Version(), "V0.26");
  // One settle wait for the mouse (two interfaces, two arrivals), none of it
  // and none of the exchanges on the window's thread.
  EXPECT_EQ(rig.clock.CountOf(900), 1u);
  EXPECT_TRUE(rig.clock.SleepsOn(std::this_thread::get_id()).empty());
  EXPECT_GE(win().DeviceEventsSeen(), 2u);
}

TEST_F(MainWindowRulesTest, ArrivalWhileConnectedIsIgnored) {
  rig.Open();
  host().SetText(Edit(2), "123");
  rig.clock.Clear();
  rig.mouse->ClearLog();
  win().OnDeviceChange({HidEventKind::kArrival, kMousePath});
  rig.Settle();
  EXPECT_EQ(rig.clock.CountOf(900), 0u);
  EXPECT_TRUE(rig.mouse->Requests().empty());
  EXPECT_EQ(EditText(2), "123");
}

TEST_F(MainWindowRulesTest, ArrivalsOfOtherDevicesChangeNothing) {
  rig.mouse->Unplug();
  rig.Open();
  host().SetText(Edit(0), "777");
  rig.clock.Clear();
  const char* paths[] = {
      "/sys/devices/usb1/1-2/0003:046D:C077.0001/hidraw/hidraw0",  // another vendor
      "/sys/devices/usb1/1-1/0003:4C95:5836.0002/hidraw/hidraw1",  // the bootloader
      "",
  };
  for (const char* path : paths) {
    win().OnDeviceChange({HidEventKind::kArrival, path});
    win().OnDeviceChange({HidEventKind::kRemoveComplete, path});
  }
  win().OnDeviceChange({HidEventKind::kOther, kMousePath});
  rig.Settle();
  EXPECT_EQ(rig.clock.Records().size(), 0u);
  EXPECT_EQ(EditText(0), "777");
  EXPECT_EQ(Version(), "-.--");
}

TEST_F(MainWindowRulesTest, UnpluggingShowsNoVersionAndRewritesOnlyTheDpiBoxes) {
  rig.Open();
  host().SetText(Edit(1), "1234");
  host().SetCurSel(ctl::kLevelCount, 0);
  host().SetCheck(ctl::kBacklight, false);
  rig.mouse->Unplug();
  rig.Settle();
  EXPECT_EQ(Version(), "-.--");
  EXPECT_EQ(EditText(1), "800");  // m_dpiValue again
  EXPECT_EQ(host().GetCurSel(ctl::kLevelCount), 0);
  EXPECT_FALSE(host().GetCheck(ctl::kBacklight));
  EXPECT_EQ(rig.link->connected, 0);
  EXPECT_EQ(rig.link->handle, nullptr);
}

TEST_F(MainWindowRulesTest, RemovalWhileDisconnectedIsIgnored) {
  rig.mouse->Unplug();
  rig.Open();
  host().SetText(Edit(1), "1234");
  win().OnDeviceChange({HidEventKind::kRemoveComplete, kMousePath});
  rig.Settle();
  EXPECT_EQ(EditText(1), "1234");
  EXPECT_EQ(Version(), "-.--");
}

// The refresh after a plug-in waits and talks to the mouse off the window's
// thread: while it is held in its settle wait the window keeps answering,
// and the controls change only once it is done.
TEST_F(MainWindowRulesTest, WindowKeepsAnsweringWhileTheArrivalRefreshWaits) {
  rig.mouse->Unplug();
  rig.SetMouseSettings(Custom());
  rig.Open();
  rig.clock.HoldSleepsOf(900);
  rig.mouse->Plug();
  ASSERT_TRUE(rig.WaitUntil([&] { return rig.clock.Held(); }));
  // Meanwhile: a tick, a slider move, typing.
  host().SetText(Edit(3), "5000");
  win().OnTimerTick();
  EXPECT_EQ(host().GetSliderPos(Slider(3)), 100);
  host().MoveSlider(Slider(0), host().GetSliderPos(Slider(0)) + 1);
  EXPECT_EQ(EditText(0), "450");
  EXPECT_EQ(Version(), "-.--");
  rig.clock.Release();
  rig.Settle();
  ExpectShown(kCustom);
  EXPECT_EQ(Version(), "V0.26");
}

}  // namespace
}  // namespace tr58k
