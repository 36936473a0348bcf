// The main window's rules on the in-memory host: what no toolkit decides.
#include <gtest/gtest.h>

#include <chrono>

#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

int Edit(int row) { return ctl::kDpiEdit1 + row; }
int Slider(int row) { return ctl::kDpiSlider1 + row; }

class WindowRulesTest : public ::testing::Test {
 protected:
  WindowRig rig;
  FakeWindowHost& host() { return rig.Host(); }
  std::string Text(int id) { return host().GetText(id); }
};

// While the mouse-not-found box is up its message loop goes on: a plug-in
// meanwhile is refreshed at once, not after OK.
TEST_F(WindowRulesTest, PlugAndUnplugAreHandledWhileTheNotFoundBoxIsUp) {
  rig.mouse->Unplug();
  rig.Open();
  rig.Settle();
  bool refreshedUnderTheBox = false;
  host().whileWarning = [&](const std::string&) {
    rig.mouse->Plug();
    refreshedUnderTheBox = rig.WaitUntil([&] { return Text(ctl::kFirmwareVersion) == "V0.26"; });
    rig.mouse->Unplug();
    EXPECT_TRUE(rig.WaitUntil([&] { return Text(ctl::kFirmwareVersion) == kNoFirmwareVersionText; }));
  };
  host().Click(ctl::kApply);
  rig.Settle();
  ASSERT_EQ(host().warnings, std::vector<std::string>{kMouseNotFoundMessage});
  EXPECT_TRUE(refreshedUnderTheBox);
}

TEST_F(WindowRulesTest, DpiSlidersPageByAFifthOfTheirRange) {
  rig.Open();
  for (int k = 0; k < kDpiLevels; ++k) EXPECT_EQ(host().GetSliderPageSize(Slider(k)), 63);
  host().PageSlider(Slider(1), 1);  // 16 + 63
  EXPECT_EQ(host().GetSliderPos(Slider(1)), 79);
  EXPECT_EQ(Text(Edit(1)), "3950");
  host().PageSlider(Slider(1), -2);  // held at the range's start
  EXPECT_EQ(host().GetSliderPos(Slider(1)), 1);
  EXPECT_EQ(Text(Edit(1)), "50");
}

// A mouse that answers is shown at the first show, as if read there.
TEST_F(WindowRulesTest, AnAnsweringMouseIsShownAtTheFirstShow) {
  MouseSettings custom;
  custom.dpi[0] = DpiPair{1200, 1200};
  rig.SetMouseSettings(custom);
  rig.Open();
  EXPECT_TRUE(rig.Window().StartupReadShown());
  EXPECT_EQ(Text(ctl::kFirmwareVersion), "V0.26");
  EXPECT_EQ(Text(Edit(0)), "1200");
}

// A mouse that stops answering during the start-up read: the window shows
// within the wait what it has, and the mouse's values once the read ends.
TEST_F(WindowRulesTest, AMouseThatHangsDuringTheStartUpReadDoesNotHoldTheWindowBack) {
  MouseSettings profile;
  profile.dpi[0] = DpiPair{700, 700};
  rig.WriteProfile(profile);
  MouseSettings mouse;
  mouse.dpi[0] = DpiPair{1200, 1200};
  rig.SetMouseSettings(mouse);
  rig.clock.HoldSleepsOf(80);  // the configuration read's wait
  const auto start = std::chrono::steady_clock::now();
  rig.Open(/*timerMs=*/0, /*startupWaitMs=*/100);
  const auto shownAfter = std::chrono::steady_clock::now() - start;
  EXPECT_LT(shownAfter, std::chrono::milliseconds(500));
  EXPECT_FALSE(rig.Window().StartupReadShown());
  EXPECT_EQ(Text(ctl::kFirmwareVersion), kNoFirmwareVersionText);
  EXPECT_EQ(Text(Edit(0)), "700");
  rig.clock.Release();
  ASSERT_TRUE(host().WaitUntil([&] { return rig.Window().StartupReadShown(); }));
  EXPECT_EQ(Text(ctl::kFirmwareVersion), "V0.26");
  EXPECT_EQ(Text(Edit(0)), "1200");
  EXPECT_EQ(rig.Window().Settings().dpi[0].dpiX, 1200);
}

// An apply clicked before a slow start-up read has ended runs after it, on
// the values it showed.
TEST_F(WindowRulesTest, AnApplyDuringTheStartUpReadWaitsForIt) {
  MouseSettings mouse;
  mouse.dpi[2] = DpiPair{2500, 2500};
  rig.SetMouseSettings(mouse);
  rig.clock.HoldSleepsOf(80);
  rig.Open(0, 20);
  host().Click(ctl::kApply);
  rig.clock.Release();
  rig.Settle();
  EXPECT_EQ(Text(Edit(2)), "2500");
  EXPECT_EQ(rig.Window().Settings().dpi[2].dpiX, 2500);
  EXPECT_TRUE(host().warnings.empty());
}

// The timer is set only while a tick can change something: an idle window
// is never woken, and typing or leaving a box brings the ticks back with
// the same results as a timer that never stops.
TEST_F(WindowRulesTest, TheDpiTimerRunsOnlyWhileATickCanChangeSomething) {
  MouseSettings profile;
  profile.dpi[0] = DpiPair{425, 425};
  rig.mouse->Unplug();
  rig.WriteProfile(profile);
  rig.Open(kTimerPeriodMs);
  ASSERT_TRUE(host().TimerSet(kDpiTimerId));
  EXPECT_EQ(host().TimerPeriod(kDpiTimerId), 200u);
  host().FireTimer(kDpiTimerId);  // 425 is committed: a change
  EXPECT_EQ(Text(Edit(0)), "450");
  EXPECT_TRUE(host().TimerSet(kDpiTimerId));
  host().FireTimer(kDpiTimerId);  // nothing left to change
  EXPECT_FALSE(host().TimerSet(kDpiTimerId));

  host().Type(Edit(1), "1234");
  ASSERT_TRUE(host().TimerSet(kDpiTimerId));
  host().FireTimer(kDpiTimerId);
  EXPECT_EQ(host().GetSliderPos(Slider(1)), 24);  // the focused box: truncated
  EXPECT_EQ(Text(Edit(1)), "1234");
  host().FireTimer(kDpiTimerId);
  EXPECT_FALSE(host().TimerSet(kDpiTimerId));

  host().Focus(ctl::kBacklight);  // the box is left
  ASSERT_TRUE(host().TimerSet(kDpiTimerId));
  host().FireTimer(kDpiTimerId);
  EXPECT_EQ(Text(Edit(1)), "1250");
  EXPECT_EQ(host().GetSliderPos(Slider(1)), 25);

  host().MoveSlider(Slider(3), 100);
  EXPECT_TRUE(host().TimerSet(kDpiTimerId));
  EXPECT_EQ(Text(Edit(3)), "5000");
}

TEST_F(WindowRulesTest, TheTimerStopsWhenTheWindowGoes) {
  rig.Open(kTimerPeriodMs);
  ASSERT_TRUE(host().TimerSet(kDpiTimerId));
  host().Destroy();
  EXPECT_FALSE(host().TimerSet(kDpiTimerId));
  EXPECT_EQ(host().Watched(), nullptr);
}

}  // namespace
}  // namespace tr58k
