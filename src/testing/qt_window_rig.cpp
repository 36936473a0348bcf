#include "testing/qt_window_rig.h"

#include <poll.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "app/main_dialog_template.h"
#include "device/config_commands.h"
#include "device/sim/simulated_firmware_image.h"
#include "settings/device_settings.h"
#include "settings/profile_file.h"
#include "testing/sim_requests.h"

namespace tr58k::test {

void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  // Lives until the process ends.
  new QApplication(argc, argv);
}

void WindowTest::SetUp() {
  EnsureApplication();
  ASSERT_TRUE(configHome_.isValid());
  hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
  oldConfigHome_ = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", configHome_.path().toUtf8());
  mouse_ = std::make_unique<SimulatedMouse>(clock_);
  link_ = std::make_unique<DeviceLink>(*mouse_, clock_);
  link_->testImagesAllowed = true;
  firmwareImage_ = ImageForSimulatedUpdate();
  previousSink_ = SetMessageBoxSink(&boxes_);
}

void WindowTest::TearDown() {
  clock_.Release();
  dlg_.reset();
  win_.reset();
  link_.reset();
  mouse_.reset();
  SetMessageBoxSink(previousSink_);
  if (hadConfigHome_) {
    qputenv("XDG_CONFIG_HOME", oldConfigHome_);
  } else {
    qunsetenv("XDG_CONFIG_HOME");
  }
}

QtDialogHost& WindowTest::OpenWindow() {
  win_ = std::make_unique<CUpdaterDlg>(*link_, firmwareImage_);
  dlg_ = std::make_unique<QtDialogHost>(*win_);
  dlg_->InitDialog();
  dlg_->show();
  dlg_->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
  return *dlg_;
}

namespace {
bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}
}  // namespace

void WindowTest::Settle() {
  QDeadlineTimer deadline(20000);
  int quietRounds = 0;
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const bool eventsWaiting = win_ && win_->Monitor() && win_->Monitor()->PollFd() >= 0 &&
                               Readable(win_->Monitor()->PollFd());
    const bool working = win_ && !win_->DeviceWorkIdle();
    if (!eventsWaiting && !working) {
      if (++quietRounds >= 3) return;
    } else {
      quietRounds = 0;
      std::this_thread::yield();
    }
  }
  ADD_FAILURE() << "the window did not settle";
}

void WindowTest::StopTimer() {
  ASSERT_TRUE(win_);
  win_->SetTimerPeriodMs(0);
}

void WindowTest::Focus(QWidget* widget) {
  widget->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(widget->window()));
  widget->setFocus(Qt::OtherFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), widget);
}

QLineEdit* WindowTest::Edit(int row) const {
  return dlg_->GetDlgItemAs<QLineEdit>(ctl::kDpiEdit1 + row);
}
QSlider* WindowTest::Slider(int row) const {
  return dlg_->GetDlgItemAs<QSlider>(ctl::kDpiSlider1 + row);
}
QComboBox* WindowTest::LevelCount() const { return dlg_->GetDlgItemAs<QComboBox>(ctl::kLevelCount); }
QComboBox* WindowTest::ReportRate() const { return dlg_->GetDlgItemAs<QComboBox>(ctl::kReportRate); }
QCheckBox* WindowTest::Backlight() const { return dlg_->GetDlgItemAs<QCheckBox>(ctl::kBacklight); }
QLabel* WindowTest::FirmwareVersion() const {
  return dlg_->GetDlgItemAs<QLabel>(ctl::kFirmwareVersion);
}
QPushButton* WindowTest::Button(int id) const { return dlg_->GetDlgItemAs<QPushButton>(id); }
QString WindowTest::EditText(int row) const { return Edit(row)->text(); }

std::string WindowTest::ProfilePath() const { return DefaultProfilePath(); }

void WindowTest::WriteProfile(const MouseSettings& settings) {
  ASSERT_TRUE(SaveProfile(settings, ProfilePath()));
}

void WindowTest::SetMouseSettings(const MouseSettings& settings) {
  tr58k::SetMouseSettings(*mouse_, settings);
}

std::vector<uint8_t> WindowTest::RequestCommands() const { return tr58k::RequestCommands(*mouse_); }

std::vector<uint8_t> WindowTest::WrittenBlock(size_t n) const { return tr58k::WrittenBlock(*mouse_, n); }

}  // namespace tr58k::test
