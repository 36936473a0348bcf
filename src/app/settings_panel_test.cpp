// The settings panel of the real window: slider, edit box and timer rules,
// the level rows and the lists.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "app/main_dialog_template.h"
#include "app/window_test_fixture.h"

namespace tr58k::test {
namespace {

class SettingsPanelTest : public WindowTest {
 protected:
  // The window on a record from the profile (mouse absent), timer stopped.
  void OpenWith(const MouseSettings& settings) {
    mouse_->Unplug();
    WriteProfile(settings);
    OpenWindow();
    StopTimer();
  }
  static MouseSettings WithDpi(int16_t first) {
    MouseSettings s;
    s.dpi[0] = DpiPair{first, first};
    return s;
  }
};

TEST_F(SettingsPanelTest, ShownValueRoundsDownAtTwentyFiveThenTheTickRoundsUp) {
  OpenWith(WithDpi(425));
  EXPECT_EQ(Slider(0)->value(), 8);
  EXPECT_EQ(EditText(0), "425");
  win_->OnTimerTick();
  EXPECT_EQ(EditText(0), "450");
  EXPECT_EQ(Slider(0)->value(), 9);
  EXPECT_EQ(win_->DpiValue(0), 425u);  // the tick never touches the value
  EXPECT_EQ(win_->Settings().dpi[0].dpiX, 425);
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
      Edit(row)->setText(QString::fromUtf8(c.typed));
      Edit(row)->setCursorPosition(0);
      win_->OnTimerTick();
      EXPECT_EQ(EditText(row), c.shown) << c.typed;
      EXPECT_EQ(Slider(row)->value(), c.slider) << c.typed;
      if (c.caret >= 0) {
        EXPECT_EQ(Edit(row)->cursorPosition(), c.caret) << c.typed;
      }
    }
  }
}

TEST_F(SettingsPanelTest, FocusedBoxKeepsWhatIsTypedUntilLeft) {
  OpenWith(MouseSettings{});
  Focus(Edit(1));
  Edit(1)->setText("123456");
  win_->OnTimerTick();
  EXPECT_EQ(EditText(1), "123456");
  EXPECT_EQ(Slider(1)->value(), 320);
  Edit(1)->setText("125");
  win_->OnTimerTick();
  EXPECT_EQ(EditText(1), "125");
  EXPECT_EQ(Slider(1)->value(), 2);  // truncated quotient
  Edit(1)->setText("10");
  win_->OnTimerTick();
  EXPECT_EQ(Slider(1)->value(), 1);  // held at the end of the range
  Edit(1)->setText("123456");
  Focus(Edit(2));
  win_->OnTimerTick();
  EXPECT_EQ(EditText(1), "16000");
  EXPECT_EQ(Slider(1)->value(), 320);
}

TEST_F(SettingsPanelTest, SliderMovesRewriteEveryBox) {
  OpenWith(MouseSettings{});
  Edit(1)->setText("2222");  // typed, not taken
  Focus(Slider(0));
  QTest::keyClick(Slider(0), Qt::Key_Right);
  EXPECT_EQ(Slider(0)->value(), 9);
  EXPECT_EQ(win_->DpiValue(0), 450u);
  EXPECT_EQ(EditText(0), "450");
  EXPECT_EQ(EditText(1), "800");
  // The typed text had moved slider 2 on a tick; the next tick moves it back.
  Edit(1)->setText("2222");
  win_->OnTimerTick();
  EXPECT_EQ(Slider(1)->value(), 44);
  QTest::keyClick(Slider(0), Qt::Key_End);
  EXPECT_EQ(EditText(0), "16000");
  EXPECT_EQ(EditText(1), "800");
  win_->OnTimerTick();
  EXPECT_EQ(Slider(1)->value(), 16);
}

TEST_F(SettingsPanelTest, SliderDragSetsTheValueInStepsOfFifty) {
  OpenWith(MouseSettings{});
  QSlider* slider = Slider(2);
  // A drag reports each position it passes.
  slider->setSliderDown(true);
  slider->setSliderPosition(57);
  EXPECT_EQ(EditText(2), "2850");
  slider->setSliderPosition(58);
  slider->setSliderDown(false);
  EXPECT_EQ(EditText(2), "2900");
  EXPECT_EQ(win_->DpiValue(2), 2900u);
  EXPECT_EQ(win_->Settings().dpi[2].dpiX, 1600);  // nothing applied yet
}

TEST_F(SettingsPanelTest, PositionsSetByTheWindowRaiseNoSliderEvent) {
  OpenWith(MouseSettings{});
  Edit(1)->setText("2222");
  Edit(0)->setText("5000");
  win_->OnTimerTick();  // moves slider 1 from code
  EXPECT_EQ(Slider(0)->value(), 100);
  EXPECT_EQ(win_->DpiValue(0), 400u);
  EXPECT_EQ(EditText(1), "2200");  // committed by the tick, not rewritten from the value
}

TEST_F(SettingsPanelTest, LevelCountShowsItsRows) {
  MouseSettings one;
  one.dpiLevelCount = 1;
  OpenWith(one);
  EXPECT_EQ(LevelCount()->currentIndex(), 0);
  EXPECT_FALSE(Edit(0)->isHidden());
  for (int k = 1; k < 4; ++k) {
    EXPECT_TRUE(Edit(k)->isHidden());
    EXPECT_TRUE(Slider(k)->isHidden());
    EXPECT_TRUE(dlg_->GetDlgItem(ctl::kDpiLabel1 + k)->isHidden());
  }
  // The user picks "3".
  LevelCount()->setCurrentIndex(2);
  emit LevelCount()->activated(2);
  EXPECT_FALSE(Edit(1)->isHidden());
  EXPECT_FALSE(Slider(2)->isHidden());
  EXPECT_TRUE(Edit(3)->isHidden());
  EXPECT_EQ(win_->Settings().dpiLevelCount, 1);  // until the next apply
  // Hidden rows go on being committed by the timer.
  Edit(3)->setText("33");
  win_->OnTimerTick();
  EXPECT_EQ(EditText(3), "50");
}

TEST_F(SettingsPanelTest, LevelCountOutsideOneToFourShowsEveryRowWithoutSelection) {
  for (uint8_t count : {uint8_t{0}, uint8_t{5}, uint8_t{9}}) {
    MouseSettings s;
    s.dpiLevelCount = count;
    OpenWith(s);
    EXPECT_EQ(LevelCount()->currentIndex(), -1) << int(count);
    EXPECT_EQ(LevelCount()->currentText(), "");
    for (int k = 0; k < 4; ++k) EXPECT_FALSE(Edit(k)->isHidden()) << int(count);
    dlg_.reset();
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
    win_->ShowLevelRows(c.count);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(!Edit(k)->isHidden(), c.shown[k]) << int(c.count) << " row " << k;
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
    EXPECT_EQ(ReportRate()->currentIndex(), c.index);
    EXPECT_EQ(Backlight()->isChecked(), c.index % 2 == 1);
    dlg_.reset();
  }
  // An unknown code leaves the list as it was (index 0 from the set-up).
  MouseSettings odd;
  odd.reportInterval = 3;
  odd.wheelBacklight = 2;  // only 1 is on
  OpenWith(odd);
  EXPECT_EQ(ReportRate()->currentIndex(), 0);
  EXPECT_FALSE(Backlight()->isChecked());
}

TEST_F(SettingsPanelTest, NegativeOrHugeRecordValuesAreShownAsTheyAre) {
  MouseSettings s;
  s.dpi[1] = DpiPair{-100, -100};
  OpenWith(s);
  EXPECT_EQ(EditText(1), "4294967196");
  EXPECT_EQ(Slider(1)->value(), 320);
  win_->OnTimerTick();
  EXPECT_EQ(EditText(1), "16000");
}

TEST_F(SettingsPanelTest, ReadControlsTakesTheControls) {
  OpenWith(MouseSettings{});
  ComboSetCurSel(LevelCount(), 2);
  ComboSetCurSel(ReportRate(), 3);
  Backlight()->setChecked(false);
  Edit(0)->setText("1000");
  Edit(1)->setText("440");     // rounded
  Edit(2)->setText("99999");   // never its low 16 bits
  Edit(3)->setText("");        // the floor
  MouseSettings out;
  out.auxOption = 77;
  win_->ReadControls(out);
  EXPECT_EQ(out.dpiLevelCount, 3);
  EXPECT_EQ(out.reportInterval, kInterval125Hz);
  EXPECT_EQ(out.wheelBacklight, 0);
  const int16_t expected[] = {1000, 450, 16000, 50};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(out.dpi[k].dpiX, expected[k]);
    EXPECT_EQ(out.dpi[k].dpiY, expected[k]);
    EXPECT_EQ(win_->DpiValue(k), static_cast<uint32_t>(expected[k]));
    EXPECT_EQ(EditText(k), QString::number(expected[k]));
    EXPECT_EQ(Slider(k)->value(), expected[k] / 50);
  }
  EXPECT_EQ(out.auxOption, 77);  // nothing else changes
}

TEST_F(SettingsPanelTest, ListsWithoutASelectionKeepTheRecordsValues) {
  OpenWith(MouseSettings{});
  // Text typed into the lists' fields leaves them without a selection.
  Focus(LevelCount());
  LevelCount()->lineEdit()->selectAll();
  QTest::keyClicks(LevelCount()->lineEdit(), "9");
  Focus(ReportRate());
  ReportRate()->lineEdit()->selectAll();
  QTest::keyClicks(ReportRate()->lineEdit(), "77");
  EXPECT_EQ(LevelCount()->currentIndex(), -1);
  EXPECT_EQ(ReportRate()->currentIndex(), -1);
  MouseSettings out;
  out.dpiLevelCount = 2;
  out.reportInterval = kInterval250Hz;
  win_->ReadControls(out);
  EXPECT_EQ(out.dpiLevelCount, 2);
  EXPECT_EQ(out.reportInterval, kInterval250Hz);
}

TEST_F(SettingsPanelTest, LeavingTheLevelFieldWithAnItemsTextChoosesIt) {
  OpenWith(MouseSettings{});
  Focus(LevelCount());
  LevelCount()->lineEdit()->selectAll();
  QTest::keyClicks(LevelCount()->lineEdit(), "2");
  EXPECT_EQ(LevelCount()->currentIndex(), -1);
  EXPECT_FALSE(Edit(3)->isHidden());
  Focus(Edit(0));
  EXPECT_EQ(LevelCount()->currentIndex(), 1);
  EXPECT_TRUE(Edit(2)->isHidden());  // the rows follow the choice
  MouseSettings out;
  win_->ReadControls(out);
  EXPECT_EQ(out.dpiLevelCount, 2);
}

}  // namespace
}  // namespace tr58k::test
