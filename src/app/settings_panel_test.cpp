// The settings panel's rules on the in-memory host: slider, edit box and
// timer, the level rows and the lists.
#include <gtest/gtest.h>

#include <array>

#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

int Edit(int row) { return ctl::kDpiEdit1 + row; }
int Slider(int row) { return ctl::kDpiSlider1 + row; }
int Label(int row) { return ctl::kDpiLabel1 + row; }

class SettingsPanelTest : public ::testing::Test {
 protected:
  // The window on a record from the profile (mouse absent); the test ticks.
  void OpenWith(const MouseSettings& settings) {
    rig.mouse->Unplug();
    rig.WriteProfile(settings);
    rig.Open();
  }
  static MouseSettings WithDpi(int16_t first) {
    MouseSettings s;
    s.dpi[0] = DpiPair{first, first};
    return s;
  }
  FakeWindowHost& host() { return rig.Host(); }
  CUpdaterDlg& win() { return rig.Window(); }
  std::string EditText(int row) { return host().GetText(Edit(row)); }
  int SliderPos(int row) { return host().GetSliderPos(Slider(row)); }

  WindowRig rig;
};

TEST_F(SettingsPanelTest, ShownValueRoundsDownAtTwentyFiveThenTheTickRoundsUp) {
  OpenWith(WithDpi(425));
  EXPECT_EQ(SliderPos(0), 8);
  EXPECT_EQ(EditText(0), "425");
  win().OnTimerTick();
  EXPECT_EQ(EditText(0), "450");
  EXPECT_EQ(SliderPos(0), 9);
  EXPECT_EQ(win().DpiValue(0), 425u);  // the tick never touches the value
  EXPECT_EQ(win().Settings().dpi[0].dpiX, 425);
}

TEST_F(SettingsPanelTest, TickCommitsBoxesThatHaveLostTheFocus) {
  OpenWith(MouseSettings{});
  struct Case {
    const char* typed;
    const char* shown;
    int slider;
    int caret;  // -1: not looked at
  } cases[] = {
      {"440", "450", 9, -1},      {"424", "400", 8, -1},      {"425", "450", 9, -1},
      {"99999", "16000", 320, 5}, {"16001", "16000", 320, 5}, {"49", "50", 1, 2},
      {"", "50", 1, 2},           {"0", "50", 1, 2},          {"50", "50", 1, -1},
      {"16000", "16000", 320, -1}, {"15990", "16000", 320, -1},
  };
  for (const Case& c : cases) {
    for (int row : {0, 3}) {  // hidden or not, every row is processed
      host().SetText(Edit(row), c.typed);
      host().SetSel(Edit(row), 0, 0);
      win().OnTimerTick();
      EXPECT_EQ(EditText(row), c.shown) << c.typed;
      EXPECT_EQ(SliderPos(row), c.slider) << c.typed;
      if (c.caret >= 0) {
        EXPECT_EQ(host().Get(Edit(row)).selStart, c.caret) << c.typed;
        EXPECT_EQ(host().Get(Edit(row)).selEnd, c.caret) << c.typed;
      }
    }
  }
}

TEST_F(SettingsPanelTest, FocusedBoxKeepsWhatIsTypedUntilLeft) {
  OpenWith(MouseSettings{});
  struct Step {
    const char* typed;
    int slider;
  } steps[] = {{"123456", 320}, {"125", 2} /* truncated */, {"10", 1} /* held at the end */};
  for (const Step& s : steps) {
    host().Type(Edit(1), s.typed);
    win().OnTimerTick();
    EXPECT_EQ(EditText(1), s.typed);
    EXPECT_EQ(SliderPos(1), s.slider) << s.typed;
  }
  host().Type(Edit(1), "123456");
  host().Focus(Edit(2));
  win().OnTimerTick();
  EXPECT_EQ(EditText(1), "16000");
  EXPECT_EQ(SliderPos(1), 320);
}

TEST_F(SettingsPanelTest, SliderMovesRewriteEveryBox) {
  OpenWith(MouseSettings{});
  host().SetText(Edit(1), "2222");  // typed, not taken
  host().MoveSlider(Slider(0), 9);
  EXPECT_EQ(win().DpiValue(0), 450u);
  EXPECT_EQ(EditText(0), "450");
  EXPECT_EQ(EditText(1), "800");
  // The typed text had moved slider 2 on a tick; the next tick moves it back.
  host().SetText(Edit(1), "2222");
  win().OnTimerTick();
  EXPECT_EQ(SliderPos(1), 44);
  host().MoveSlider(Slider(0), 320);
  EXPECT_EQ(EditText(0), "16000");
  EXPECT_EQ(EditText(1), "800");
  win().OnTimerTick();
  EXPECT_EQ(SliderPos(1), 16);
}

TEST_F(SettingsPanelTest, PositionsSetByTheWindowRaiseNoSliderEvent) {
  OpenWith(MouseSettings{});
  host().SetText(Edit(1), "2222");
  host().SetText(Edit(0), "5000");
  win().OnTimerTick();  // moves slider 1 from code
  EXPECT_EQ(SliderPos(0), 100);
  EXPECT_EQ(win().DpiValue(0), 400u);
  EXPECT_EQ(EditText(1), "2200");  // committed by the tick, not rewritten from the value
}

TEST_F(SettingsPanelTest, LevelCountShowsItsRows) {
  MouseSettings one;
  one.dpiLevelCount = 1;
  OpenWith(one);
  EXPECT_EQ(host().GetCurSel(ctl::kLevelCount), 0);
  EXPECT_TRUE(host().IsShown(Edit(0)));
  for (int k = 1; k < 4; ++k) {
    EXPECT_FALSE(host().IsShown(Edit(k)));
    EXPECT_FALSE(host().IsShown(Slider(k)));
    EXPECT_FALSE(host().IsShown(Label(k)));
  }
  host().ChooseListItem(ctl::kLevelCount, 2);  // the user picks "3"
  EXPECT_TRUE(host().IsShown(Edit(1)));
  EXPECT_TRUE(host().IsShown(Slider(2)));
  EXPECT_FALSE(host().IsShown(Edit(3)));
  EXPECT_EQ(win().Settings().dpiLevelCount, 1);  // until the next apply
  // Hidden rows go on being committed by the timer.
  host().SetText(Edit(3), "33");
  win().OnTimerTick();
  EXPECT_EQ(EditText(3), "50");
}

TEST_F(SettingsPanelTest, LevelCountOutsideOneToFourShowsEveryRowWithoutSelection) {
  for (uint8_t count : {uint8_t{0}, uint8_t{5}, uint8_t{9}}) {
    MouseSettings s;
    s.dpiLevelCount = count;
    OpenWith(s);
    EXPECT_EQ(host().GetCurSel(ctl::kLevelCount), -1) << int(count);
    EXPECT_EQ(host().GetText(ctl::kLevelCount), "");
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(host().IsShown(Edit(k))) << int(count);
  }
}

TEST_F(SettingsPanelTest, ShowLevelRowsTable) {
  OpenWith(MouseSettings{});
  struct Case {
    uint8_t count;
    std::array<bool, 4> shown;
  } cases[] = {{1, {true, false, false, false}}, {2, {true, true, false, false}},
               {3, {true, true, true, false}},   {4, {true, true, true, true}},
               {0, {true, true, true, true}},    {200, {true, true, true, true}}};
  for (const Case& c : cases) {
    win().ShowLevelRows(c.count);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(host().IsShown(Edit(k)), c.shown[k]) << int(c.count) << " row " << k;
  }
}

TEST_F(SettingsPanelTest, ReportRateAndBacklightFollowTheRecord) {
  struct Case {
    int16_t interval;
    int index;
  } cases[] = {{1, 0}, {2, 1}, {4, 2}, {8, 3}};
  for (const Case& c : cases) {
    MouseSettings s;
    s.reportInterval = c.interval;
    s.wheelBacklight = c.index % 2 ? 1 : 0;
    OpenWith(s);
    EXPECT_EQ(host().GetCurSel(ctl::kReportRate), c.index);
    EXPECT_EQ(host().GetCheck(ctl::kBacklight), c.index % 2 == 1);
  }
  // An unknown code leaves the list as it was (index 0 from the set-up).
  MouseSettings odd;
  odd.reportInterval = 3;
  odd.wheelBacklight = 2;  // only 1 is on
  OpenWith(odd);
  EXPECT_EQ(host().GetCurSel(ctl::kReportRate), 0);
  EXPECT_FALSE(host().GetCheck(ctl::kBacklight));
}

TEST_F(SettingsPanelTest, NegativeOrHugeRecordValuesAreShownAsTheyAre) {
  MouseSettings s;
  s.dpi[1] = DpiPair{-100, -100};
  OpenWith(s);
  EXPECT_EQ(EditText(1), "4294967196");
  EXPECT_EQ(SliderPos(1), 320);
  win().OnTimerTick();
  EXPECT_EQ(EditText(1), "16000");
}

TEST_F(SettingsPanelTest, ReadControlsTakesTheControls) {
  OpenWith(MouseSettings{});
  host().SetCurSel(ctl::kLevelCount, 2);
  host().SetCurSel(ctl::kReportRate, 3);
  host().SetCheck(ctl::kBacklight, false);
  host().SetText(Edit(0), "1000");
  host().SetText(Edit(1), "440");    // rounded
  host().SetText(Edit(2), "99999");  // never its low 16 bits
  host().SetText(Edit(3), "");       // the floor
  MouseSettings out;
  out.auxOption = 77;
  win().ReadControls(out);
  EXPECT_EQ(out.dpiLevelCount, 3);
  EXPECT_EQ(out.reportInterval, kInterval125Hz);
  EXPECT_EQ(out.wheelBacklight, 0);
  const int16_t expected[] = {1000, 450, 16000, 50};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(out.dpi[k].dpiX, expected[k]);
    EXPECT_EQ(out.dpi[k].dpiY, expected[k]);
    EXPECT_EQ(win().DpiValue(k), static_cast<uint32_t>(expected[k]));
    EXPECT_EQ(EditText(k), std::to_string(expected[k]));
    EXPECT_EQ(SliderPos(k), expected[k] / 50);
  }
  EXPECT_EQ(out.auxOption, 77);  // nothing else changes
}

TEST_F(SettingsPanelTest, ListsWithoutASelectionKeepTheRecordsValues) {
  OpenWith(MouseSettings{});
  // Text in the lists' fields that is no item: no selection.
  host().SetText(ctl::kLevelCount, "9");
  host().SetText(ctl::kReportRate, "77");
  MouseSettings out;
  out.dpiLevelCount = 2;
  out.reportInterval = kInterval250Hz;
  win().ReadControls(out);
  EXPECT_EQ(out.dpiLevelCount, 2);
  EXPECT_EQ(out.reportInterval, kInterval250Hz);
}

TEST_F(SettingsPanelTest, CaptionsVersionAndListsAfterSetUp) {
  OpenWith(MouseSettings{});
  const uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(host().Get(Label(k)).text, "DPI" + std::to_string(k + 1) + ":");
    EXPECT_EQ(host().Get(Label(k)).backColor, colours[k]);
    EXPECT_EQ(host().Get(Slider(k)).min, 1);
    EXPECT_EQ(host().Get(Slider(k)).max, 320);
  }
  EXPECT_EQ(host().GetText(ctl::kProgramVersion), "V0.26");
  EXPECT_EQ(host().Get(ctl::kLevelCount).items, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(host().Get(ctl::kReportRate).items,
            (std::vector<std::string>{"1000 Hz", "500 Hz", "250 Hz", "125 Hz"}));
}

TEST_F(SettingsPanelTest, EnterCommitsADpiBoxAndElsewhereDoesNothing) {
  OpenWith(MouseSettings{});
  host().Type(Edit(1), "1234");
  host().PressEnter();
  EXPECT_EQ(EditText(1), "1250");
  EXPECT_EQ(SliderPos(1), 25);
  EXPECT_EQ(win().DpiValue(1), 1250u);
  EXPECT_EQ(host().GetFocus(), Edit(1));
  host().SetText(Edit(2), "777");
  host().Focus(ctl::kBacklight);
  host().PressEnter();
  EXPECT_FALSE(host().Ended());
  EXPECT_EQ(EditText(2), "777");
}

TEST_F(SettingsPanelTest, PressingTheBackgroundMovesTheWindow) {
  OpenWith(MouseSettings{});
  win().OnBackgroundPressed();
  EXPECT_EQ(host().WindowMoves(), 1);
}

}  // namespace
}  // namespace tr58k
