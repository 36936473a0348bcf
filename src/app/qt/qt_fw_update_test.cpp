// The firmware update window on the Qt host: its frame as the template
// says, and the close box, Escape, Enter and the exit button reaching the
// window's rules (refused while the work runs). The rules themselves are
// tested on the in-memory host (fw_update_dlg_test.cpp).
#include "app/fw_update_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <iterator>
#include <mutex>

#include "app/fw_update_template.h"
#include "testing/qt_window_rig.h"
#include "firmware/firmware_messages.h"
#include "testing/fw_update_rig.h"

namespace tr58k::test {
namespace {

class FwUpdateDlgTest : public WindowTest {
 protected:
  RecordingFwUpdate& Open(size_t imageSize) {
    image_ = imageSize ? TestImage(imageSize) : std::vector<uint8_t>{};
    fw_ = std::make_unique<RecordingFwUpdate>(*link_, image_);
    fwHost_ = std::make_unique<QtDialogHost>(*fw_);
    fwHost_->InitDialog();
    fwHost_->show();
    fwHost_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(fwHost_.get()));
    // What the window's thread sees, each time the bar moves.
    QObject::connect(Bar(), &QProgressBar::valueChanged, fwHost_.get(), [this](int value) {
      seen_.push_back({value, ExitButton()->isEnabled(), UpdateButton()->isEnabled(), StatusText()});
    });
    return *fw_;
  }
  void TearDown() override {
    if (fw_) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return !fw_->UpdateRunning(); }, 20000));
    }
    fwHost_.reset();
    fw_.reset();
    WindowTest::TearDown();
  }
  // Clicks "固件更新" and waits until the work has ended.
  void RunUpdate() {
    UpdateButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fw_->UpdateRunning(); }, 20000));
  }
  QProgressBar* Bar() const { return fwHost_->GetDlgItemAs<QProgressBar>(fwctl::kProgress); }
  QPushButton* UpdateButton() const { return fwHost_->GetDlgItemAs<QPushButton>(fwctl::kUpdate); }
  QPushButton* ExitButton() const { return fwHost_->GetDlgItemAs<QPushButton>(fwctl::kExit); }
  QLineEdit* StatusField() const { return fwHost_->GetDlgItemAs<QLineEdit>(fwctl::kStatus); }
  QString StatusText() const { return StatusField()->text(); }
  bool LinkClosed() const { return !link_->handle && link_->connected == 0; }
  size_t RequestsOf(uint8_t code) const {
    size_t n = 0;
    for (uint8_t c : RequestCommands()) n += c == code;
    return n;
  }

  struct Seen {
    int value;
    bool exitEnabled;
    bool updateEnabled;
    QString status;
  };
  std::vector<uint8_t> image_;
  std::unique_ptr<RecordingFwUpdate> fw_;
  std::unique_ptr<QtDialogHost> fwHost_;
  std::vector<Seen> seen_;
};

TEST_F(FwUpdateDlgTest, FrameAndControlsAreThoseOfTheTemplate) {
  Open(21504);
  QtDialogHost& fw = *fwHost_;
  EXPECT_EQ(fw.windowTitle(), "ZEMO TR-58K 电竞光学鼠标 固件更新");
  EXPECT_EQ(fw.size(), QSize(fw.Units().ToPixelsX(268), fw.Units().ToPixelsY(110)));
  EXPECT_FALSE(fw.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint));
  int index = 0;
  for (const ControlSpec& item : FwUpdateDialogTemplate().controls) {
    QWidget* widget = fw.findChild<QWidget*>(CDialogBase::ObjectNameFor(item, index++));
    ASSERT_NE(widget, nullptr) << item.id;
    EXPECT_EQ(widget->geometry(), ToQRect(fw.Units().ToPixels(item.x, item.y, item.width, item.height)));
  }
  EXPECT_EQ(fw.findChild<QLabel*>("ctl_static2")->text(), "进度:");
  EXPECT_EQ(UpdateButton()->text(), "固件更新");
  EXPECT_EQ(ExitButton()->text(), "退出");
  EXPECT_FALSE(UpdateButton()->isDefault() || ExitButton()->isDefault());
  EXPECT_EQ(Bar()->minimum(), 0);
  EXPECT_EQ(Bar()->maximum(), 100);
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_TRUE(StatusText().isEmpty());
  EXPECT_FALSE(StatusField()->hasFrame());
  EXPECT_FALSE(StatusField()->isReadOnly());
  EXPECT_TRUE(ExitButton()->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), UpdateButton());
}

// While the work runs every way of leaving is refused and a second start
// does nothing; once it has ended each way closes the window as usual.
struct CloseCase {
  const char* how;
  void (*close)(QtDialogHost& fw);
  int result;
};
void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.how; }
class FwUpdateCloseTest : public FwUpdateDlgTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(FwUpdateCloseTest, IsRefusedWhileTheWorkRunsAndWorksAfterwards) {
  const CloseCase& way = GetParam();
  RecordingFwUpdate& fw = Open(21504);
  clock_.HoldSleepsOf(500);  // the pause after the transfer has begun
  UpdateButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  way.close(*fwHost_);
  QTest::qWait(1);
  EXPECT_TRUE(fwHost_->isVisible());
  UpdateButton()->click();  // disabled: nothing
  fw.OnUpdateClicked();     // and refused when asked directly
  clock_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !fw.UpdateRunning(); }, 20000));
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.27");
  EXPECT_EQ(RequestsOf(0x3A), 1u) << "a second update was started";
  way.close(*fwHost_);
  EXPECT_FALSE(fwHost_->isVisible());
  EXPECT_EQ(fwHost_->result(), way.result);
}

QLineEdit* StatusOf(QtDialogHost& fw) { return fw.GetDlgItemAs<QLineEdit>(fwctl::kStatus); }

INSTANTIATE_TEST_SUITE_P(
    Ways, FwUpdateCloseTest,
    ::testing::Values(
        CloseCase{"CloseBox", [](QtDialogHost& fw) { fw.close(); }, kIdCancel},
        CloseCase{"Escape", [](QtDialogHost& fw) { QTest::keyClick(StatusOf(fw), Qt::Key_Escape); },
                  kIdCancel},
        CloseCase{"Enter", [](QtDialogHost& fw) { QTest::keyClick(StatusOf(fw), Qt::Key_Return); },
                  kIdOk},
        CloseCase{"ExitButton",
                  [](QtDialogHost& fw) { fw.GetDlgItemAs<QPushButton>(fwctl::kExit)->click(); },
                  kIdOk}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.how); });

}  // namespace
}  // namespace tr58k::test
