// "应用当前设置" and "还原出厂配置" against the simulated mouse: the profile
// file, the block sent, the failures, and quick clicks one after another.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <functional>

#include "app/main_dialog_template.h"
#include "app/window_test_fixture.h"
#include "device/config_commands.h"
#include "settings/profile_file.h"

namespace tr58k::test {
namespace {

constexpr size_t kActiveLevelByte = 0x32;
constexpr size_t kLevelCountByte = 0x56;

uint16_t Le16(const std::vector<uint8_t>& block, size_t offset) {
  return static_cast<uint16_t>(block[offset] | (block[offset + 1] << 8));
}

class ApplyRestoreTest : public WindowTest {
 protected:
  void Open() {
    OpenWindow();
    StopTimer();
    mouse_->ClearLog();
    clock_.Clear();
  }
  void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
  MouseSettings LoadSavedProfile() {
    MouseSettings loaded;
    loaded.profileName = u"(none)";
    EXPECT_TRUE(LoadProfile(loaded, ProfilePath()));
    return loaded;
  }
  QByteArray ProfileBytes() {
    QFile file(QString::fromStdString(ProfilePath()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  static const std::vector<uint8_t> kApplySequence;
};

const std::vector<uint8_t> ApplyRestoreTest::kApplySequence = {
    kCommandReadProfileSlot, kCommandWriteConfiguration, kCommandSelectProfile};

TEST_F(ApplyRestoreTest, ApplySavesTheControlsThenSendsThemWithoutALevel) {
  Open();
  ComboSetCurSel(LevelCount(), 2);
  ComboSetCurSel(ReportRate(), 1);
  Backlight()->setChecked(false);
  Focus(Slider(3));
  QTest::keyClick(Slider(3), Qt::Key_PageUp);  // 64 + a page of 63 steps
  Edit(0)->setText("1000");  // after the move, which rewrites every box
  // The profile must hold the new values before the first command goes out.
  bool savedBeforeFirstSend = false;
  bool sawSend = false;
  link_->trace = [&](std::string_view line) {
    if (sawSend || line.substr(0, 4) != "set ") return;
    sawSend = true;
    MouseSettings early;
    savedBeforeFirstSend = LoadProfile(early, ProfilePath()) && early.dpi[0].dpiX == 1000;
  };
  Click(ctl::kApply);
  Settle();
  link_->trace = nullptr;
  EXPECT_TRUE(savedBeforeFirstSend);
  EXPECT_EQ(RequestCommands(), kApplySequence);
  const std::vector<uint8_t> block = WrittenBlock(0);
  ASSERT_EQ(block.size(), kConfigBlockSize);
  EXPECT_EQ(block[kActiveLevelByte], 0xFF);
  EXPECT_EQ(block[kLevelCountByte], 3);
  EXPECT_EQ(block[0x15], kInterval500Hz);
  EXPECT_EQ(block[0x1A], 0);
  EXPECT_EQ(Le16(block, 0x34), 1000);
  EXPECT_EQ(Le16(block, 0x5C), 6350);
  const MouseSettings saved = LoadSavedProfile();
  EXPECT_EQ(saved.profileName, u"Profile");
  EXPECT_EQ(saved.dpiLevelCount, 3);
  EXPECT_EQ(saved.reportInterval, kInterval500Hz);
  EXPECT_EQ(saved.wheelBacklight, 0);
  EXPECT_EQ(saved.dpi[0], (DpiPair{1000, 1000}));
  EXPECT_EQ(saved.dpi[3], (DpiPair{6350, 6350}));
  EXPECT_EQ(win_->Settings().restorePending, 0);
  EXPECT_EQ(win_->Settings().dpi[3].dpiX, 6350);
  EXPECT_TRUE(boxes_.boxes.empty());
  // The whole apply ran on the worker: not one wait on the window's thread.
  EXPECT_TRUE(clock_.SleepsOn(std::this_thread::get_id()).empty());
  EXPECT_EQ(clock_.CountOf(1500), 1u);
}

TEST_F(ApplyRestoreTest, RestoreShowsFactoryValuesSavesThemAndSendsLevelTwo) {
  MouseSettings s;
  s.dpiLevelCount = 1;
  s.wheelBacklight = 0;
  s.dpi[0] = DpiPair{5000, 5000};
  WriteProfile(s);
  Open();
  ComboSetCurSel(ReportRate(), 3);
  Click(ctl::kRestoreFactory);
  Settle();
  EXPECT_EQ(LevelCount()->currentIndex(), 3);
  EXPECT_EQ(ReportRate()->currentIndex(), 0);
  EXPECT_TRUE(Backlight()->isChecked());
  const char* dpis[] = {"400", "800", "1600", "3200"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(EditText(k), dpis[k]);
    EXPECT_FALSE(Edit(k)->isHidden());
  }
  EXPECT_EQ(RequestCommands(), kApplySequence);
  const std::vector<uint8_t> block = WrittenBlock(0);
  ASSERT_EQ(block.size(), kConfigBlockSize);
  EXPECT_EQ(block[kActiveLevelByte], 2);
  EXPECT_EQ(block[0x01], 'p');  // the factory name "profile"
  const MouseSettings saved = LoadSavedProfile();
  EXPECT_EQ(saved.profileName, u"profile");
  EXPECT_EQ(saved.dpiLevelCount, 4);
  EXPECT_EQ(saved.dpi[0], (DpiPair{400, 400}));
  EXPECT_EQ(saved.activeLevel, 2);
  EXPECT_EQ(win_->Settings().restorePending, 1);
  // The next apply goes out without a level again.
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(WrittenBlock(1)[kActiveLevelByte], 0xFF);
}

TEST_F(ApplyRestoreTest, RestoreWithTheMouseAbsentShowsFactoryValuesThenTheMessage) {
  MouseSettings s;
  s.dpi[2] = DpiPair{9000, 9000};
  WriteProfile(s);
  const QByteArray before = ProfileBytes();
  mouse_->Unplug();
  Open();
  ASSERT_EQ(EditText(2), "9000");
  // The box must come after the controls show the factory values.
  QString thirdBoxWhenShown;
  struct Probe final : MessageBoxSink {
    std::function<void()> onShow;
    RecordingMessageBoxes* inner = nullptr;
    void Warning(QWidget* parent, const QString& caption, const QString& text) override {
      onShow();
      inner->Warning(parent, caption, text);
    }
  } probe;
  probe.onShow = [&] { thirdBoxWhenShown = EditText(2); };
  probe.inner = &boxes_;
  SetMessageBoxSink(&probe);
  Click(ctl::kRestoreFactory);
  Settle();
  SetMessageBoxSink(&boxes_);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "检测不到ZEMO TR-58K鼠标,请重试！");
  EXPECT_EQ(boxes_.boxes[0].caption, ApplicationName());
  EXPECT_EQ(boxes_.boxes[0].caption, "ui_tests");
  EXPECT_EQ(thirdBoxWhenShown, "1600");
  EXPECT_EQ(ProfileBytes(), before);
  EXPECT_EQ(link_->connected, 0);
}

TEST_F(ApplyRestoreTest, ApplyWithTheMouseAbsentSavesNothing) {
  mouse_->Unplug();
  Open();
  Edit(0)->setText("2000");
  Click(ctl::kApply);
  Settle();
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].text, "检测不到ZEMO TR-58K鼠标,请重试！");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(ProfilePath())));
  EXPECT_EQ(win_->Settings().dpi[0].dpiX, 400);
  EXPECT_EQ(EditText(0), "2000");  // the controls are not read
}

TEST_F(ApplyRestoreTest, FailedSlotQuerySavesTheProfileButWritesNothing) {
  Open();
  mouse_->AddFault(Fault::SlotAnswer(5));
  Edit(1)->setText("1200");
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(RequestCommands(), std::vector<uint8_t>{kCommandReadProfileSlot});
  EXPECT_EQ(LoadSavedProfile().dpi[1].dpiX, 1200);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(ApplyRestoreTest, FailedWriteSendsNoSelect) {
  Open();
  mouse_->AddFault(Fault::GetError(hid_error::kGeneralFailure).ForCommand(kCommandWriteConfiguration));
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(RequestCommands(),
            (std::vector<uint8_t>{kCommandReadProfileSlot, kCommandWriteConfiguration}));
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(ApplyRestoreTest, TypedValuesAreCommittedBeforeTheyAreSent) {
  Open();
  Focus(Edit(0));
  Edit(0)->setText("99999");  // focused: the tick would leave it alone
  Edit(1)->setText("425");
  Edit(2)->setText("");
  Edit(3)->setText("70000");  // low 16 bits 4464, a plausible DPI
  // No selection in the level list: the record's count stays.
  LevelCount()->lineEdit()->setText("x");
  emit LevelCount()->lineEdit()->textEdited("x");
  ASSERT_EQ(LevelCount()->currentIndex(), -1);
  win_->OnApply();
  Settle();
  const std::vector<uint8_t> block = WrittenBlock(0);
  ASSERT_EQ(block.size(), kConfigBlockSize);
  EXPECT_EQ(Le16(block, 0x34), 16000);
  EXPECT_EQ(Le16(block, 0x3D), 450);
  EXPECT_EQ(Le16(block, 0x52), 50);
  EXPECT_EQ(Le16(block, 0x5C), 16000);
  EXPECT_EQ(block[kLevelCountByte], 4);
  EXPECT_EQ(EditText(0), "16000");
  EXPECT_EQ(Slider(0)->value(), 320);
  EXPECT_EQ(LoadSavedProfile().dpiLevelCount, 4);
}

TEST_F(ApplyRestoreTest, QuickClicksRunOneAfterAnotherInClickOrder) {
  Open();
  // Hold the first apply in its profile-select wait, with the link in use.
  clock_.HoldSleepsOf(1500);
  Edit(0)->setText("1000");
  Click(ctl::kApply);
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock_.Held(); }, 10000));
  Edit(0)->setText("2000");
  Click(ctl::kApply);
  Click(ctl::kRestoreFactory);
  Click(ctl::kApply);
  // Nothing of the later clicks reaches the mouse, the record or the
  // controls while the first job holds the link; the window still answers.
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(RequestCommands(), kApplySequence);
  EXPECT_EQ(EditText(0), "2000");
  EXPECT_EQ(win_->Settings().dpi[0].dpiX, 1000);
  win_->OnTimerTick();
  EXPECT_EQ(Slider(0)->value(), 40);
  clock_.Release();
  Settle();
  std::vector<uint8_t> expected;
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), kApplySequence.begin(), kApplySequence.end());
  EXPECT_EQ(RequestCommands(), expected);
  const uint16_t level1[] = {1000, 2000, 400, 400};
  const uint8_t activeLevel[] = {0xFF, 0xFF, 2, 0xFF};
  for (size_t n = 0; n < 4; ++n) {
    const std::vector<uint8_t> block = WrittenBlock(n);
    ASSERT_EQ(block.size(), kConfigBlockSize) << n;
    EXPECT_EQ(Le16(block, 0x34), level1[n]) << "write " << n;
    EXPECT_EQ(block[kActiveLevelByte], activeLevel[n]) << "write " << n;
  }
  EXPECT_EQ(clock_.CountOf(1500), 4u);
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(ApplyRestoreTest, EveryClickWithTheMouseAbsentGetsItsMessage) {
  mouse_->Unplug();
  Open();
  Click(ctl::kApply);
  Click(ctl::kRestoreFactory);
  Click(ctl::kApply);
  Settle();
  EXPECT_EQ(boxes_.boxes.size(), 3u);
}

}  // namespace
}  // namespace tr58k::test
