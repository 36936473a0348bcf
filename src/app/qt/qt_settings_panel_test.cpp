// The settings panel on Qt: what Qt's own widgets do for it (a drag
// reported position by position, text typed into a list's field). The
// panel's rules are tested on the in-memory host (settings_panel_test.cpp).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "app/main_dialog_template.h"
#include "testing/qt_window_rig.h"

namespace tr58k::test {
namespace {

class QtSettingsPanelTest : public WindowTest {
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

TEST_F(QtSettingsPanelTest, SliderDragSetsTheValueInStepsOfFifty) {
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

TEST_F(QtSettingsPanelTest, ListsWithoutASelectionKeepTheRecordsValues) {
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

TEST_F(QtSettingsPanelTest, LeavingTheLevelFieldWithAnItemsTextChoosesIt) {
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
