// The main window's "固件更新": the update window it runs modally, its plug
// handling held back while the update runs, and its view brought up to date
// when the update has ended.
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
#include "app/window_test_fixture.h"
#include "device/sim/sim_test_image.h"
#include "firmware/firmware_worker.h"

namespace tr58k::test {
namespace {

constexpr char kMousePath[] =
    "/sys/devices/pci0000:00/usb1/1-1/1-1:1.1/0003:4C95:5837.0009/hidraw/hidraw4";

class CountingInhibitor final : public SleepInhibitor {
 public:
  bool Acquire(const std::string& why) override {
    reason = why;
    held = true;
    ++acquired;
    return true;
  }
  void Release() override { held = false; }
  std::atomic<bool> held{false};
  std::atomic<int> acquired{0};
  std::string reason;
};

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

// Pulled out mid-update: the update fails, and the window, which heard the
// removal while the update ran, shows the mouse as absent once it has ended.
TEST_F(FirmwareHandoffTest, AMouseGoneAfterTheUpdateShowsNoVersion) {
  OpenWindow();
  StopTimer();
  WithUpdateWindow([&](QtDialogHost& fw) {
    clock_.HoldSleepsOf(500);
    Start(fw);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
    mouse_->Unplug();
    clock_.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    EXPECT_EQ(StatusOf(fw), "固件更新出现错误，请重试！");
    fw.close();
  });
  Settle();
  EXPECT_EQ(FirmwareVersion()->text(), "-.--");
  EXPECT_EQ(link_->connected, 0);
}

// The update is a job of the window's device worker: one that is still
// running when the button is clicked (here the refresh after a plug-in,
// held in its settle wait) is finished before the update touches the link.
TEST_F(FirmwareHandoffTest, TheUpdateWaitsForTheWindowsDeviceJobs) {
  mouse_->Unplug();
  OpenWindow();
  StopTimer();
  clock_.HoldSleepsOf(900);
  mouse_->Plug();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  WithUpdateWindow([&](QtDialogHost& fw) {
    mouse_->ClearLog();
    Start(fw);
    QTest::qWait(20);
    EXPECT_TRUE(mouse_->Exchanges().empty()) << "the update ran beside the refresh";
    EXPECT_FALSE(fw.GetDlgItem(fwctl::kExit)->isEnabled());
    clock_.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    EXPECT_EQ(StatusOf(fw), "更新完成，鼠标当前固件版本号：V0.27");
    fw.close();
  });
  Settle();
  EXPECT_EQ(FirmwareVersion()->text(), "V0.27");
}

TEST_F(FirmwareHandoffTest, TheInhibitorIsHeldForTheUpdateOnly) {
  CountingInhibitor inhibitor;
  OpenWindow();
  StopTimer();
  win_->SetSleepInhibitor(&inhibitor);
  WithUpdateWindow([&](QtDialogHost& fw) {
    clock_.HoldSleepsOf(500);
    Start(fw);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
    EXPECT_TRUE(inhibitor.held);
    clock_.Release();
    ASSERT_TRUE(WaitForEnd(fw));
    fw.close();
  });
  Settle();
  EXPECT_FALSE(inhibitor.held);
  EXPECT_EQ(inhibitor.acquired, 1);
  EXPECT_EQ(inhibitor.reason, kInhibitReason);
}

// The simulated mouse gets the build's test image; any other device the
// image built into the program, which a build without one lacks.
TEST_F(FirmwareHandoffTest, TheImageSentDependsOnTheDevice) {
  OpenWindow();
  EXPECT_EQ(win_->FirmwareImageForUpdate().data(), SimTestFirmwareImage().data());
  dlg_.reset();

  class OtherBackend final : public HidBackend {
   public:
    explicit OtherBackend(HidBackend& inner) : inner_(inner) {}
    std::vector<HidInterfaceInfo> Enumerate() override { return inner_.Enumerate(); }
    std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
      return inner_.Open(path, error);
    }
    std::unique_ptr<HidMonitor> CreateMonitor() override { return inner_.CreateMonitor(); }

   private:
    HidBackend& inner_;
  } backend(*mouse_);
  link_ = std::make_unique<DeviceLink>(backend, clock_);
  OpenWindow();
  EXPECT_EQ(win_->FirmwareImageForUpdate().data(), EmbeddedFirmwareImage().data());
  if (EmbeddedFirmwareImage().empty()) {
    WithUpdateWindow([&](QtDialogHost& fw) {
      mouse_->ClearLog();
      Start(fw);
      EXPECT_EQ(StatusOf(fw), "读取固件文件错误，请重试！");
      EXPECT_TRUE(mouse_->Exchanges().empty());
      fw.close();
    });
  }
  dlg_.reset();  // before the backend goes
}

}  // namespace
}  // namespace tr58k::test
