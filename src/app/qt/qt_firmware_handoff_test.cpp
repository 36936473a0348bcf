// The main window's "固件更新" on the Qt host, end to end: the update window
// it runs modally, its plug handling held back while the update runs, and
// its view brought up to date when the update has ended; and the image it
// sends. The other rules of the hand-off are tested on the in-memory host
// (firmware_handoff_rules_test.cpp).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/fw_update_dlg.h"
#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "testing/qt_window_rig.h"
#include "firmware/firmware_worker.h"

namespace tr58k::test {
namespace {

constexpr char kMousePath[] =
    "/sys/devices/pci0000:00/usb1/1-1/1-1:1.1/0003:4C95:5837.0009/hidraw/hidraw4";

class FirmwareHandoffTest : public WindowTest {
 protected:
  // Clicks the main window's "固件更新" and runs `drive` once the update
  // window is up. `drive` should end the modal run; if it does not (a failed
  // assertion), the window is closed once its work has ended.
  void WithUpdateWindow(const std::function<void(QtDialogHost&)>& drive) {
    bool driven = false;
    QTimer::singleShot(0, dlg_.get(), [&] {
      QtDialogHost* fw = nullptr;
      const bool up = QTest::qWaitFor(
          [&] {
            fw = qobject_cast<QtDialogHost*>(QApplication::activeModalWidget());
            return fw && fw->isVisible();
          },
          5000);
      if (!up) return;
      EXPECT_EQ(fw->parentWidget(), dlg_.get());
      drive(*fw);
      driven = true;
      if (fw->isVisible()) {
        if (QTest::qWaitFor([&] { return !Running(*fw); }, 20000)) fw->reject();
      }
    });
    Button(ctl::kFirmwareUpdate)->click();
    EXPECT_TRUE(driven) << "the update window did not open";
  }
  static bool Running(QtDialogHost& fw) { return static_cast<CFwUpdate&>(fw.Logic()).UpdateRunning(); }
  static void Start(QtDialogHost& fw) { fw.GetDlgItemAs<QPushButton>(fwctl::kUpdate)->click(); }
  static QString StatusOf(QtDialogHost& fw) {
    return fw.GetDlgItemAs<QLineEdit>(fwctl::kStatus)->text();
  }
  static bool WaitForEnd(QtDialogHost& fw) {
    return QTest::qWaitFor([&] { return !Running(fw); }, 20000);
  }
};

// The mouse leaves normal mode, shows up as its bootloader and comes back,
// and the window hears of each step while the update runs; a late removal
// notice of the normal-mode mouse and an early arrival notice come as well.
// None of it touches the link the update uses, and afterwards the window
// shows the new version with the link open again.
TEST_F(FirmwareHandoffTest, PlugEventsDuringAnUpdateAreHeldAndTheNewVersionShown) {
  OpenWindow();
  StopTimer();
  ASSERT_EQ(FirmwareVersion()->text(), "V0.26");
  const uint64_t eventsBefore = win_->DeviceEventsSeen();
  clock_.Clear();
  WithUpdateWindow([&](QtDialogHost& fw) {
    clock_.HoldSleepsOf(500);  // the pause after the transfer has begun
    Start(fw);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
    EXPECT_EQ(StatusOf(fw), "请勿拔出鼠标！固件更新中...");
    // The normal-mode interfaces went and the bootloader came.
    ASSERT_TRUE(QTest::qWaitFor([&] { return win_->DeviceEventsSeen() >= eventsBefore + 3; }, 5000));
    win_->OnDeviceChange({HidEventKind::kRemoveComplete, kMousePath});
    win_->OnDeviceChange({HidEventKind::kArrival, kMousePath});
    EXPECT_TRUE(win_->FirmwareUpdateRunning());
    EXPECT_FALSE(Button(ctl::kFirmwareUpdate)->isEnabled());
    EXPECT_EQ(FirmwareVersion()->text(), "V0.26");
    clock_.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    EXPECT_EQ(StatusOf(fw), "更新完成，鼠标当前固件版本号：V0.27");
    fw.GetDlgItemAs<QPushButton>(fwctl::kExit)->click();
  });
  Settle();
  EXPECT_FALSE(win_->FirmwareUpdateRunning());
  EXPECT_EQ(FirmwareVersion()->text(), "V0.27");
  EXPECT_EQ(link_->connected, 1);
  EXPECT_TRUE(Button(ctl::kFirmwareUpdate)->isEnabled());
  EXPECT_EQ(clock_.CountOf(900), 0u) << "an arrival was acted on during the update";
  EXPECT_TRUE(clock_.SleepsOn(std::this_thread::get_id()).empty());
  // Plug handling works again afterwards.
  mouse_->Unplug();
  Settle();
  EXPECT_EQ(FirmwareVersion()->text(), "-.--");
}

// The update sends the image the window was made with (the program chose it
// where it started); with none, as from a build that carries no image on a
// real mouse, it stops at once and sends nothing.
TEST_F(FirmwareHandoffTest, WithoutAnImageTheUpdateStopsAndSendsNothing) {
  firmwareImage_ = {};
  OpenWindow();
  WithUpdateWindow([&](QtDialogHost& fw) {
    mouse_->ClearLog();
    Start(fw);
    EXPECT_EQ(StatusOf(fw), "读取固件文件错误，请重试！");
    EXPECT_TRUE(mouse_->Exchanges().empty());
    fw.close();
  });
}

}  // namespace
}  // namespace tr58k::test
