#include "ui/qt/dialog_base.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "testing/qt_window_rig.h"

namespace tr58k {
namespace {

TEST(DialogUnitsTest, FollowTheFontMetrics) {
  test::EnsureApplication();
  QFont small = QApplication::font();
  small.setPixelSize(10);
  QFont large = small;
  large.setPixelSize(20);
  const DialogUnits a = DialogUnitsForFont(small);
  const DialogUnits b = DialogUnitsForFont(large);
  EXPECT_EQ(a.baseX(), QFontMetrics(small).averageCharWidth());
  EXPECT_EQ(a.baseY(), QFontMetrics(small).height());
  EXPECT_GT(b.ToPixelsX(100), a.ToPixelsX(100));
  EXPECT_GT(b.ToPixelsY(100), a.ToPixelsY(100));
}

TEST(DialogFontTest, ASimplifiedChineseFontIsInstalled) {
  test::EnsureApplication();
  EXPECT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
      << "no font for Simplified Chinese: install fonts-wqy-zenhei";
}

const DialogTemplate& SmallTemplate() {
  static const DialogTemplate tmpl{
      7, "Small", "Sans", 8, 200, 100, true,
      {{10, ControlKind::kPushButton, "Go", 5, 5, 50, 14},
       {kNoControlId, ControlKind::kGroupBox, "Frame", 0, 0, 200, 100},
       {11, ControlKind::kEdit, "", 60, 5, 40, 14, true},
       {12, ControlKind::kComboDropDown, "", 5, 30, 60, 60},
       {13, ControlKind::kStatic, "Text", 5, 60, 40, 8}}};
  return tmpl;
}

class SmallDialog : public CDialogBase {
 public:
  SmallDialog() : CDialogBase(SmallTemplate()) {}
  int initCalls = 0;
  int backgroundPresses = 0;
  std::vector<QWidget*> enterIn;

 protected:
  void OnInitDialog() override {
    ++initCalls;
    auto* combo = GetDlgItemAs<QComboBox>(12);
    combo->addItems({"1", "2", "3"});
  }
  void OnEnterKey(QWidget* control) override { enterIn.push_back(control); }
  void OnLButtonDown(QMouseEvent*) override { ++backgroundPresses; }
};

class DialogBaseTest : public test::ApplicationTest {
 protected:
  void SetUp() override {
    dlg.InitDialog();
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  }
  SmallDialog dlg;
};

TEST_F(DialogBaseTest, BuildsControlsByIdentifierInDialogUnits) {
  dlg.InitDialog();  // a second call changes nothing
  EXPECT_EQ(dlg.initCalls, 1);
  const DialogUnits& u = dlg.Units();
  EXPECT_EQ(dlg.windowTitle(), "Small");
  EXPECT_EQ(dlg.size(), QSize(u.ToPixelsX(200), u.ToPixelsY(100)));
  auto* button = dlg.GetDlgItemAs<QPushButton>(10);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Go");
  EXPECT_EQ(button->objectName(), "ctl10");
  EXPECT_EQ(button->geometry(), ToQRect(u.ToPixels(5, 5, 50, 14)));
  EXPECT_EQ(dlg.findChild<QLineEdit*>("ctl11"), dlg.GetDlgItem(11));
  EXPECT_NE(dlg.findChild<QGroupBox*>("ctl_static1"), nullptr);
  EXPECT_EQ(dlg.GetDlgItem(99), nullptr);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(DialogBaseTest, DigitsOnlyEditRefusesOtherKeys) {
  auto* edit = dlg.GetDlgItemAs<QLineEdit>(11);
  edit->setFocus();
  QTest::keyClicks(edit, "12a-3 ");
  EXPECT_EQ(edit->text(), "123");
}

TEST_F(DialogBaseTest, ComboSelectionFollowsListBoxRules) {
  auto* combo = dlg.GetDlgItemAs<QComboBox>(12);
  ComboSetCurSel(combo, 1);
  EXPECT_EQ(ComboGetCurSel(combo), 1);
  EXPECT_EQ(combo->currentText(), "2");
  ComboSetCurSel(combo, 3);  // past the end
  EXPECT_EQ(ComboGetCurSel(combo), -1);
  EXPECT_EQ(combo->lineEdit()->text(), "");
  ComboSetCurSel(combo, 0xFFFF);
  EXPECT_EQ(ComboGetCurSel(combo), -1);

  // Typing into the field leaves the list without a selection, keeps the
  // text and adds no item.
  ComboSetCurSel(combo, 0);
  combo->setFocus();
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "7");
  EXPECT_EQ(ComboGetCurSel(combo), -1);
  EXPECT_EQ(combo->lineEdit()->text(), "7");
  QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(ComboGetCurSel(combo), -1);

  // Leaving the field with an item's exact text picks that item, as a
  // choice from the list.
  QSignalSpy activated(combo, &QComboBox::activated);
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "2");
  EXPECT_EQ(ComboGetCurSel(combo), -1);
  dlg.GetDlgItem(11)->setFocus();
  EXPECT_EQ(ComboGetCurSel(combo), 1);
  ASSERT_EQ(activated.count(), 1);
  EXPECT_EQ(activated[0][0].toInt(), 1);
}

TEST_F(DialogBaseTest, EnterClicksTheFocusedButtonOnlyAndNeverEndsTheDialog) {
  auto* button = dlg.GetDlgItemAs<QPushButton>(10);
  QSignalSpy clicked(button, &QPushButton::clicked);
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Return);
  EXPECT_EQ(clicked.count(), 1);

  auto* edit = dlg.GetDlgItemAs<QLineEdit>(11);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Enter);
  auto* combo = dlg.GetDlgItemAs<QComboBox>(12);
  combo->setFocus();
  QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(clicked.count(), 1);
  ASSERT_EQ(dlg.enterIn.size(), 2u);
  EXPECT_EQ(dlg.enterIn[0], edit);
  EXPECT_EQ(dlg.enterIn[1], combo);  // the field counts as the list
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), 0);
}

TEST_F(DialogBaseTest, ClicksOnBackgroundTextAndFramesReachTheDialog) {
  const DialogUnits& u = dlg.Units();
  // Inside the group box but on no other control.
  QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(u.ToPixelsX(150), u.ToPixelsY(80)));
  EXPECT_EQ(dlg.backgroundPresses, 1);
  QTest::mouseClick(dlg.GetDlgItem(13), Qt::LeftButton);  // static text
  EXPECT_EQ(dlg.backgroundPresses, 2);
  // The button lies inside the group box and still gets its click.
  auto* button = dlg.GetDlgItemAs<QPushButton>(10);
  QSignalSpy clicked(button, &QPushButton::clicked);
  const QPoint centre = button->geometry().center();
  QWidget* hit = dlg.childAt(centre);
  EXPECT_EQ(hit, button);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(dlg.backgroundPresses, 2);
}

}  // namespace
}  // namespace tr58k
