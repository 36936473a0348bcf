// The main window's life against the simulated mouse: start-up with the
// mouse absent and present, plug and unplug, keys, the frame.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "app/main_dialog_template.h"
#include "app/qt/app_icon.h"
#include "testing/shown_settings.h"
#include "testing/qt_window_rig.h"
#include "device/config_commands.h"
#include "settings/profile_file.h"
#include "ui/qt/dhs_static.h"

namespace tr58k::test {
namespace {

constexpr char kMousePath[] = "/sys/devices/pci0000:00/usb1/1-1/1-1:1.1/0003:4C95:5837.0009/hidraw/hidraw4";

class MainWindowTest : public WindowTest {
 protected:
  void ExpectShown(const ShownSettings& s) {
    EXPECT_EQ(LevelCount()->currentIndex(), s.levelIndex);
    EXPECT_EQ(ReportRate()->currentIndex(), s.rateIndex);
    EXPECT_EQ(Backlight()->isChecked(), s.backlight);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(EditText(k), QString::fromUtf8(s.edits[k])) << "row " << k + 1;
      EXPECT_EQ(Slider(k)->value(), s.sliders[k]) << "row " << k + 1;
    }
  }
  static MouseSettings Custom() { return CustomSettings(); }
  static constexpr ShownSettings kDefaults = kShownDefaults;
  static constexpr ShownSettings kCustom = kShownCustom;
};

TEST_F(MainWindowTest, FrameAndFixedTextsAreThoseOfTheTemplate) {
  mouse_->Unplug();
  QtDialogHost& dlg = OpenWindow();
  EXPECT_EQ(dlg.windowTitle(), "ZEMO TR-58K 电竞光学鼠标");
  EXPECT_EQ(dlg.size(), QSize(dlg.Units().ToPixelsX(345), dlg.Units().ToPixelsY(296)));
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
  // The Qt program's host puts this icon on the window.
  EXPECT_TRUE(LoadAppIcon().availableSizes().contains(QSize(32, 32)));
  int index = 0;
  for (const ControlSpec& item : MainDialogTemplate().controls) {
    QWidget* widget = dlg.findChild<QWidget*>(CDialogBase::ObjectNameFor(item, index++));
    ASSERT_NE(widget, nullptr) << item.text;
    EXPECT_EQ(widget->pos(), ToQRect(dlg.Units().ToPixels(item.x, item.y, item.width, item.height)).topLeft());
    if (item.id == kNoControlId) {
      const QString text = QString::fromUtf8(item.text);
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        EXPECT_EQ(label->text(), text);
      }
      if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        EXPECT_EQ(group->title(), text);
      }
    }
  }
  EXPECT_EQ(Button(ctl::kApply)->text(), "应用当前设置");
  EXPECT_EQ(Button(ctl::kRestoreFactory)->text(), "还原出厂配置");
  EXPECT_EQ(Button(ctl::kDriverUpdate)->text(), "驱动更新");
  EXPECT_EQ(Button(ctl::kFirmwareUpdate)->text(), "固件更新");
  EXPECT_EQ(Backlight()->text(), "开启滚轮背光");
  const QStringList levels{"1", "2", "3", "4"};
  const QStringList rates{"1000 Hz", "500 Hz", "250 Hz", "125 Hz"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(LevelCount()->itemText(i), levels[i]);
    EXPECT_EQ(ReportRate()->itemText(i), rates[i]);
  }
  EXPECT_EQ(dlg.GetDlgItemAs<QLabel>(ctl::kProgramVersion)->text(), "V0.26");
  for (int k = 0; k < 4; ++k) {
    auto* label = dlg.GetDlgItemAs<CDhsStatic>(ctl::kDpiLabel1 + k);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->texts, QStringList{QStringLiteral("DPI%1:").arg(k + 1)});
    EXPECT_EQ(label->backColor, kLevelCaptionColors[k]);
    EXPECT_EQ(Slider(k)->minimum(), 1);
    EXPECT_EQ(Slider(k)->maximum(), 320);
  }
  // Set by the texts just written; it stops once a tick changes nothing.
  EXPECT_TRUE(win_->TimerRunning());
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Slider(k)->pageStep(), 63);
}

TEST_F(MainWindowTest, RowCaptionsArePaintedInTheLevelColours) {
  QtDialogHost& dlg = OpenWindow();
  const QColor fills[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 255)};
  for (int k = 0; k < 4; ++k) {
    QWidget* label = dlg.GetDlgItem(ctl::kDpiLabel1 + k);
    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.pixelColor(0, 0), fills[k]) << "row " << k + 1;
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), fills[k]);
    int ink = 0;
    for (int x = 0; x < image.width(); ++x) {
      ink += image.pixelColor(x, image.height() / 2) != fills[k];
    }
    EXPECT_GT(ink, 0) << "caption of row " << k + 1 << " not drawn";
  }
}

TEST_F(MainWindowTest, MousePresentShowsItsSettingsAndVersion) {
  SetMouseSettings(Custom());
  WriteProfile(MouseSettings{});
  OpenWindow();
  ExpectShown(kCustom);
  EXPECT_EQ(FirmwareVersion()->text(), "V0.26");
  EXPECT_EQ(link_->connected, 1);
  // The start-up read ran before the window was shown, on the device
  // worker: not one wait on the window's thread.
  EXPECT_TRUE(clock_.SleepsOn(std::this_thread::get_id()).empty());
  EXPECT_FALSE(clock_.Records().empty());
}

TEST_F(MainWindowTest, UnplugAndPlugAgainReconnects) {
  OpenWindow();
  StopTimer();
  mouse_->Unplug();
  Settle();
  ASSERT_EQ(FirmwareVersion()->text(), "-.--");
  mouse_->SetVersionNumber(0x0027);
  mouse_->Plug();
  Settle();
  EXPECT_EQ(FirmwareVersion()->text(), "V0.27");
  EXPECT_EQ(link_->connected, 1);
}

TEST_F(MainWindowTest, MissingNotificationsAreReportedAndTheWindowWorksOn) {
  // A platform without plug and unplug notifications.
  class NoMonitor final : public HidBackend {
   public:
    explicit NoMonitor(HidBackend& inner) : inner_(inner) {}
    std::vector<HidInterfaceInfo> Enumerate() override { return inner_.Enumerate(); }
    std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
      return inner_.Open(path, error);
    }
    std::unique_ptr<HidMonitor> CreateMonitor() override { return nullptr; }

   private:
    HidBackend& inner_;
  } backend(*mouse_);
  link_ = std::make_unique<DeviceLink>(backend, clock_);
  OpenWindow();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "RegisterDeviceNotification Failed!");
  EXPECT_EQ(boxes_.boxes[0].caption, ApplicationName());
  EXPECT_EQ(FirmwareVersion()->text(), "V0.26");
  dlg_.reset();  // before the backend goes
}

TEST_F(MainWindowTest, EscapeAndTheCloseBoxEndTheWindow) {
  OpenWindow();
  Focus(Edit(0));
  QTest::keyClick(Edit(0), Qt::Key_Escape);
  EXPECT_FALSE(dlg_->isVisible());
  EXPECT_EQ(dlg_->result(), kIdCancel);
  dlg_.reset();
  OpenWindow();
  dlg_->close();
  EXPECT_FALSE(dlg_->isVisible());
  EXPECT_EQ(dlg_->result(), kIdCancel);
}

TEST_F(MainWindowTest, EnterCommitsADpiBoxAndOtherwiseDoesNothing) {
  OpenWindow();
  StopTimer();
  mouse_->ClearLog();
  Focus(Edit(1));
  Edit(1)->setText("1234");
  QTest::keyClick(Edit(1), Qt::Key_Return);
  EXPECT_EQ(EditText(1), "1250");
  EXPECT_EQ(Slider(1)->value(), 25);
  EXPECT_EQ(win_->DpiValue(1), 1250u);
  EXPECT_EQ(QApplication::focusWidget(), Edit(1));
  Edit(1)->setText("99999");
  QTest::keyClick(Edit(1), Qt::Key_Enter);
  EXPECT_EQ(EditText(1), "16000");
  EXPECT_EQ(Edit(1)->cursorPosition(), 5);

  // Elsewhere Enter changes nothing and the window stays open.
  Edit(2)->setText("777");
  for (QWidget* w : std::initializer_list<QWidget*>{LevelCount(), ReportRate(), Backlight(), Slider(0)}) {
    Focus(w);
    QTest::keyClick(w, Qt::Key_Return);
  }
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_EQ(dlg_->result(), 0);
  EXPECT_EQ(EditText(2), "777");
  EXPECT_EQ(win_->Settings().dpi[1].dpiX, 800);  // nothing applied
  EXPECT_TRUE(mouse_->Requests().empty());
}

TEST_F(MainWindowTest, EnterOnAFocusedButtonClicksIt) {
  OpenWindow();
  mouse_->ClearLog();
  Focus(Button(ctl::kApply));
  QTest::keyClick(Button(ctl::kApply), Qt::Key_Return);
  Settle();
  EXPECT_EQ(RequestCommands(), (std::vector<uint8_t>{0x03, 0x08, 0x04}));
  EXPECT_TRUE(dlg_->isVisible());
}

TEST_F(MainWindowTest, PressingTheBackgroundMovesTheWindow) {
  class CountingHost : public QtDialogHost {
   public:
    using QtDialogHost::QtDialogHost;
    int moves = 0;
    void StartWindowMove() override { ++moves; }
  };
  win_ = std::make_unique<CUpdaterDlg>(*link_, firmwareImage_);
  auto* dlg = new CountingHost(*win_);
  dlg_.reset(dlg);
  dlg->InitDialog();
  dlg->show();
  QTest::mouseClick(dlg, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  // Static texts and group boxes pass the press on.
  QWidget* footnote = dlg->findChild<QWidget*>("ctl_static28");
  ASSERT_NE(footnote, nullptr);
  QTest::mouseClick(footnote, Qt::LeftButton);
  QTest::mouseClick(dlg->GetDlgItem(ctl::kFirmwareVersion), Qt::LeftButton);
  EXPECT_EQ(dlg->moves, 3);
  // The button runs the firmware update window modally: close it at once.
  QTimer::singleShot(0, dlg, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  QTest::mouseClick(Button(ctl::kFirmwareUpdate), Qt::LeftButton);
  QTest::mouseClick(dlg->GetDlgItem(ctl::kDpiEdit1), Qt::LeftButton);
  EXPECT_EQ(dlg->moves, 3);
}

// The apply and restore flows through Qt's widgets: typed text, clicks,
// what the mouse receives and what the window shows afterwards.
TEST_F(MainWindowTest, ApplyAndRestoreThroughTheWidgets) {
  OpenWindow();
  mouse_->ClearLog();
  Focus(Edit(0));
  Edit(0)->selectAll();
  QTest::keyClicks(Edit(0), "1230");
  QTest::mouseClick(Button(ctl::kApply), Qt::LeftButton);
  Settle();
  const std::vector<uint8_t> applied = WrittenBlock(0);
  ASSERT_EQ(applied.size(), kConfigBlockSize);
  EXPECT_EQ(applied[0x34] | (applied[0x35] << 8), 1250);  // committed at apply time
  EXPECT_EQ(EditText(0), "1250");
  EXPECT_EQ(win_->Settings().dpi[0].dpiX, 1250);
  QTest::mouseClick(Button(ctl::kRestoreFactory), Qt::LeftButton);
  Settle();
  EXPECT_EQ(EditText(0), "400");
  EXPECT_EQ(Slider(0)->value(), 8);
  EXPECT_EQ(WrittenBlock(1)[0x32], 2);  // a restore carries the factory level
  EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
}  // namespace tr58k::test
