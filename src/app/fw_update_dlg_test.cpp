// The firmware update window on its own, against the simulated mouse on a
// manual clock: its frame, the updates it runs and what it shows of them,
// and how it refuses to close or start twice while its work runs.
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
#include "app/window_test_fixture.h"
#include "firmware/firmware_messages.h"

namespace tr58k::test {
namespace {

std::vector<uint8_t> TestImage(size_t size) {
  std::ifstream in(std::string(TR58K_TEST_IMAGE_DIR) + "/test_image_" + std::to_string(size) + ".bin",
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The window, with a record of every report its work made, in order
// ("status <text>", "progress <n>", "exit").
class RecordingFwUpdate final : public CFwUpdate {
 public:
  using CFwUpdate::CFwUpdate;
  void SetStatusText(const std::string& text) override {
    Record("status " + text);
    CFwUpdate::SetStatusText(text);
  }
  void SetProgress(int position) override {
    Record("progress " + std::to_string(position));
    CFwUpdate::SetProgress(position);
  }
  void EnableExitButton() override {
    Record("exit");
    CFwUpdate::EnableExitButton();
  }
  std::vector<std::string> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<int> Progress() const {
    std::vector<int> out;
    for (const std::string& e : Events()) {
      if (e.rfind("progress ", 0) == 0) out.push_back(std::stoi(e.substr(9)));
    }
    return out;
  }

 private:
  void Record(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

std::string Status(const char* text) { return std::string("status ") + text; }

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

// Images of several sizes from normal mode: the progress after each block,
// the texts in their order, the exit button held disabled until the end.
struct SizeCase {
  size_t size;
  std::vector<int> progress;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.size << " bytes"; }
class FwUpdateSizeTest : public FwUpdateDlgTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(FwUpdateSizeTest, UpdateFromNormalModeShowsItsProgressAndTheNewVersion) {
  const SizeCase& c = GetParam();
  mouse_->SetVersionNumber(0x0105);
  RecordingFwUpdate& fw = Open(c.size);
  RunUpdate();
  EXPECT_EQ(fw.Progress(), c.progress);
  std::vector<std::string> expected = {Status("固件V1.05 开始更新"), Status(kUpdatingText)};
  for (int p : c.progress) expected.push_back("progress " + std::to_string(p));
  expected.push_back(Status("更新完成，鼠标当前固件版本号：V1.06"));
  expected.push_back("exit");
  EXPECT_EQ(fw.Events(), expected);
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V1.06");
  EXPECT_EQ(Bar()->value(), c.progress.back());
  ASSERT_FALSE(seen_.empty());
  for (const Seen& s : seen_) {
    EXPECT_FALSE(s.exitEnabled) << "at " << s.value;
    EXPECT_FALSE(s.updateEnabled) << "at " << s.value;
    EXPECT_EQ(s.status, QString::fromUtf8(kUpdatingText));
  }
  EXPECT_TRUE(ExitButton()->isEnabled());
  EXPECT_TRUE(UpdateButton()->isEnabled());
  EXPECT_TRUE(LinkClosed());
  EXPECT_EQ(mouse_->VersionNumber(), 0x0106);
  EXPECT_TRUE(clock_.SleepsOn(std::this_thread::get_id()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, FwUpdateSizeTest,
    ::testing::Values(
        SizeCase{21504, {2, 2, 6, 11, 16, 21, 25, 30, 35, 40, 44, 49, 54, 59, 63, 68, 73, 78, 82, 87, 92, 97}},
        SizeCase{1500, {2, 2, 52}},    // a padded last block
        SizeCase{3072, {2, 2, 35, 68}}  // an exact multiple of 1024
        ));

TEST_F(FwUpdateDlgTest, AMouseInItsBootloaderShowsNoTextUntilTheTransferBegins) {
  mouse_->Reenumerate(MouseMode::kBootloader, 0);
  RecordingFwUpdate& fw = Open(21504);
  clock_.HoldSleepsOf(50);  // BeginTransfer's own wait
  UpdateButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  EXPECT_TRUE(StatusText().isEmpty());
  EXPECT_FALSE(ExitButton()->isEnabled());
  EXPECT_FALSE(UpdateButton()->isEnabled());
  clock_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !fw.UpdateRunning(); }, 20000));
  EXPECT_EQ(fw.Events().front(), Status(kUpdatingText));
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.27");
  EXPECT_EQ(RequestsOf(0x3A), 0u);  // no EnterBootloader
  EXPECT_EQ(RequestsOf(0x01), 0u);  // nor SendFirstBlock
}

// The probe's discovery waits run off the window's thread: while it looks
// for a bootloader that is not there, the window answers, shows nothing and
// keeps both buttons disabled; then it reports the absent mouse.
TEST_F(FwUpdateDlgTest, NoMouseIsReportedAfterAProbeThatLeavesTheWindowResponsive) {
  mouse_->Unplug();
  RecordingFwUpdate& fw = Open(21504);
  clock_.HoldSleepsOf(1500);
  UpdateButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  EXPECT_TRUE(fw.UpdateRunning());
  EXPECT_TRUE(StatusText().isEmpty());
  EXPECT_FALSE(ExitButton()->isEnabled());
  EXPECT_FALSE(UpdateButton()->isEnabled());
  // The window's thread is free: it takes typing meanwhile.
  QTest::keyClicks(StatusField(), "x");
  EXPECT_EQ(StatusText(), "x");
  StatusField()->clear();
  clock_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !fw.UpdateRunning(); }, 10000));
  EXPECT_EQ(fw.Events(), (std::vector<std::string>{"exit", Status(kMouseNotDetectedText)}));
  EXPECT_EQ(StatusText(), "检测不到TR-58K鼠标，请重试");
  EXPECT_TRUE(ExitButton()->isEnabled());
  EXPECT_TRUE(UpdateButton()->isEnabled());
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_TRUE(LinkClosed());
  EXPECT_EQ(clock_.CountOf(1500), 2u);
  EXPECT_TRUE(clock_.SleepsOn(std::this_thread::get_id()).empty());
}

// No image in the build, or one too large for the image buffer: refused on
// the spot, nothing sent, no work started.
class FwUpdateBadImageTest : public FwUpdateDlgTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(FwUpdateBadImageTest, IsRefusedBeforeAnythingIsSent) {
  RecordingFwUpdate& fw = Open(GetParam());
  mouse_->ClearLog();
  UpdateButton()->click();
  EXPECT_FALSE(fw.UpdateRunning());
  EXPECT_EQ(StatusText(), "读取固件文件错误，请重试！");
  EXPECT_EQ(fw.Events().back(), Status(kImageErrorText));
  EXPECT_TRUE(ExitButton()->isEnabled());
  EXPECT_TRUE(UpdateButton()->isEnabled());
  EXPECT_TRUE(mouse_->Exchanges().empty());
}

INSTANTIATE_TEST_SUITE_P(NoneOrTooLarge, FwUpdateBadImageTest, ::testing::Values(0, 122881));

// Pulled out mid-transfer: the error text, the bar where it was, the window
// free to run again or to close.
TEST_F(FwUpdateDlgTest, AnUnplugMidTransferLeavesTheBarAndEnablesExit) {
  mouse_->AddFault(Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x06).Nth(4));
  RecordingFwUpdate& fw = Open(21504);
  RunUpdate();
  EXPECT_EQ(StatusText(), "固件更新出现错误，请重试！");
  EXPECT_EQ(fw.Progress(), (std::vector<int>{2, 2, 6, 11}));
  EXPECT_EQ(Bar()->value(), 11);
  EXPECT_TRUE(ExitButton()->isEnabled());
  EXPECT_TRUE(UpdateButton()->isEnabled());
  EXPECT_TRUE(LinkClosed());
  ExitButton()->click();
  EXPECT_FALSE(fwHost_->isVisible());
}

TEST_F(FwUpdateDlgTest, ASecondUpdateStartsFromTheNewVersionAndTheBarWhereItWas) {
  RecordingFwUpdate& fw = Open(1500);
  RunUpdate();
  seen_.clear();
  RunUpdate();
  EXPECT_EQ(fw.Events()[7], Status("固件V0.27 开始更新"));
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.28");
  // The bar stayed at 52 until the second transfer set it to 2.
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.front().value, 2);
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

// The exit button enabled by the work a moment before it ends: a click then
// is kept and honoured at the end rather than lost.
TEST_F(FwUpdateDlgTest, AnExitAskedForAsTheWorkEndsClosesTheWindowAtItsEnd) {
  RecordingFwUpdate& fw = Open(1500);
  clock_.HoldSleepsOf(500);
  UpdateButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  fw.OnExitClicked();
  EXPECT_TRUE(fwHost_->isVisible());
  clock_.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !fwHost_->isVisible(); }, 20000));
  EXPECT_EQ(fwHost_->result(), kIdOk);
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.27");
}

// Torn down from outside mid-update: the work runs to its end first.
TEST_F(FwUpdateDlgTest, DestroyingTheWindowMidUpdateWaitsForTheWork) {
  image_ = TestImage(1500);
  // The window itself: a recording subclass would be gone before the base
  // waits for the work that still reports to it.
  auto fw = std::make_unique<CFwUpdate>(*link_, image_);
  auto host = std::make_unique<QtDialogHost>(*fw);
  host->InitDialog();
  host->show();
  clock_.HoldSleepsOf(500);
  host->GetDlgItemAs<QPushButton>(fwctl::kUpdate)->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  std::thread release([this] { clock_.Release(); });
  host.reset();
  fw.reset();
  release.join();
  EXPECT_TRUE(LinkClosed());
  EXPECT_EQ(mouse_->VersionNumber(), 0x0027);
}

}  // namespace
}  // namespace tr58k::test
