// What the window tests share: a QApplication, a temporary per-user folder,
// the simulated mouse on a manual clock, recorders for message boxes and
// the support page, and the real main window driven through its controls.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/updater_dlg.h"
#include "testing/fake_clock.h"
#include "device/sim/simulated_mouse.h"
#include "ui/qt/message_box.h"
#include "ui/qt/qt_dialog_host.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tr58k::test {

// Makes the one QApplication of the test program.
void EnsureApplication();

// A fixture whose members may be widgets: the application exists before
// they are constructed.
class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() { EnsureApplication(); }
};

class RecordingMessageBoxes final : public MessageBoxSink {
 public:
  struct Box {
    QString caption;
    QString text;
  };
  void Warning(QWidget* parent, const QString& caption, const QString& text) override {
    boxes.push_back({caption, text});
  }
  std::vector<Box> boxes;
};

class WindowTest : public ApplicationTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds, initialises, shows and activates the window.
  QtDialogHost& OpenWindow();
  // Pumps events until the plug events are read and the device work is done.
  void Settle();
  // Stops the 200 ms timer so that a test ticks it by hand.
  void StopTimer();
  // Gives the keyboard focus to `widget` (the window active).
  void Focus(QWidget* widget);

  QLineEdit* Edit(int row) const;
  QSlider* Slider(int row) const;
  QComboBox* LevelCount() const;
  QComboBox* ReportRate() const;
  QCheckBox* Backlight() const;
  QLabel* FirmwareVersion() const;
  QPushButton* Button(int id) const;
  QString EditText(int row) const;

  // Writes a profile with these settings where the window will look.
  void WriteProfile(const MouseSettings& settings);
  std::string ProfilePath() const;
  // The mouse's block with these settings (as the mouse would hold them).
  void SetMouseSettings(const MouseSettings& settings);
  // The command bytes (byte 1) of the requests the mouse received.
  std::vector<uint8_t> RequestCommands() const;
  // The block of the n-th configuration write the mouse received.
  std::vector<uint8_t> WrittenBlock(size_t n) const;

  QTemporaryDir configHome_;
  QByteArray oldConfigHome_;
  bool hadConfigHome_ = false;
  TaggedClock clock_;
  std::unique_ptr<SimulatedMouse> mouse_;
  std::unique_ptr<DeviceLink> link_;
  // What the window's update sends, as the program's --simulate start.
  std::span<const uint8_t> firmwareImage_;
  RecordingMessageBoxes boxes_;
  MessageBoxSink* previousSink_ = nullptr;
  std::unique_ptr<CUpdaterDlg> win_;    // the window's logic
  std::unique_ptr<QtDialogHost> dlg_;   // its Qt host
};

}  // namespace tr58k::test
