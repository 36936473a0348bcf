// The main window: the mouse's settings, their apply and factory restore,
// the firmware version, plug and unplug, the support page.
//
// Threads: the window's thread runs every handler and owns the settings
// record and the controls. Before the first show it reads the mouse itself
// (RefreshFromDevice); afterwards every exchange with the mouse, every wait
// and every use of the link runs on one device worker, job after job in the
// order they were asked for. A job reaches the window only through blocking
// calls onto the window's thread (ReadControls, message boxes, showing what
// it read); the window's thread never waits on the worker or on the link.
#pragma once

#include <QIcon>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "app/device_worker.h"
#include "app/window_calls.h"
#include "device/device_link.h"
#include "device/mouse_session.h"
#include "firmware/sleep_inhibitor.h"
#include "settings/mouse_settings.h"
#include "ui/dialog_base.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSocketNotifier;

namespace tr58k {

class CDhsStatic;

inline constexpr char kProgramVersionText[] = "V0.26";
inline constexpr char kNoFirmwareVersionText[] = "-.--";
// Shown as the version text's tooltip when the mouse is plugged in but this
// user may not open it.
inline constexpr char kAccessDeniedHint[] =
    "已检测到鼠标（%1），但当前用户无权访问。\n"
    "请安装 udev 规则 70-zemo-tr58k.rules（随本程序提供），然后重新插拔鼠标。\n"
    "The mouse is plugged in, but this user may not open %1.\n"
    "Install the udev rule 70-zemo-tr58k.rules that comes with this program, then replug the mouse.";
inline constexpr char kMouseNotFoundMessage[] = "检测不到ZEMO TR-58K鼠标,请重试！";
inline constexpr char kNotificationFailedMessage[] = "RegisterDeviceNotification Failed!";
inline constexpr int kTimerPeriodMs = 200;
inline constexpr uint32_t kArrivalSettleMs = 900;
// The colours of the DPI level captions, rows 1 to 4.
inline constexpr std::array<uint32_t, kDpiLevels> kLevelCaptionColors = {0x0000FF, 0x00FF00,
                                                                         0xFF0000, 0xFFFFFF};

class CUpdaterDlg : public CDialogBase {
  Q_OBJECT

 public:
  // Builds the settings record and loads the profile over it. `link` must
  // outlive the window.
  explicit CUpdaterDlg(DeviceLink& link, QWidget* parent = nullptr);
  // Waits for the running device job (and answers it), drops the others.
  ~CUpdaterDlg() override;

  // Opens the mouse, reads its settings over the record and shows them with
  // the firmware version. Window thread, before the first show only.
  // Returns 1 when the mouse was found, 0 when not.
  int RefreshFromDevice();
  void InitControls();
  void ShowSettings(const MouseSettings& settings);
  // The controls into `settings`; each DPI box is committed first (clamped
  // and rounded), and a list without a selection leaves its field alone.
  void ReadControls(MouseSettings& settings);
  void ShowLevelRows(uint8_t count);
  // The DPI value for the slider of `edit` (see the .cpp for the rules).
  int32_t CheckDpiEdit(QLineEdit* edit);

  void OnTimer();
  void OnHScroll(QSlider* slider);
  void OnLevelCountChange();
  void OnApply();
  void OnRestoreFactory();
  void OnDriverUpdate();
  // Runs the firmware update window modally. While an update runs there the
  // window's own device-change handling is held back (the mouse leaves and
  // comes back under another identity meanwhile), and once it has ended the
  // window reads the mouse again, so the version shown is the new one.
  void OnFirmwareUpdate();
  // A plug or unplug event; returns true for every event.
  bool OnDeviceChange(const HidEvent& event);

  // Held while a firmware update runs (may be null, the default). Must
  // outlive the window.
  void SetSleepInhibitor(SleepInhibitor* inhibitor) { m_sleepInhibitor = inhibitor; }
  // The image the firmware update sends: the test image for the simulated
  // mouse, otherwise the one built into the program (empty when none was).
  std::span<const uint8_t> FirmwareImageForUpdate() const;

  // Observation, window thread.
  const MouseSettings& Settings() const { return *m_settings; }
  uint32_t DpiValue(int row) const { return m_dpiValue[row]; }
  bool DeviceWorkIdle() const { return m_worker.Idle(); }
  uint64_t DeviceEventsSeen() const { return m_deviceEventsSeen; }
  // True from the start of a firmware update's work until the window has
  // been brought up to date after it.
  bool FirmwareUpdateRunning() const { return m_updateRunning; }
  // The 200 ms timer (tests stop it and tick by hand).
  QTimer& Timer() { return m_timer; }
  // The plug and unplug source; nullptr when there is none.
  const HidMonitor* Monitor() const { return m_monitor.get(); }

 protected:
  QWidget* CreateControl(const ControlSpec& item) override;
  void OnInitDialog() override;
  void OnEnterKey(QWidget* control) override;
  void OnLButtonDown(QMouseEvent* event) override;
  // Moves the window with the mouse, by the window system's own move.
  virtual void StartWindowMove();

 private:
  void AttachControls();
  void ConnectHandlers();
  void WatchDeviceEvents();
  void OnMonitorReadable();
  void WriteDpiEdits();
  // Clamps and rounds the text of `edit` as for a box that has lost the
  // focus; returns the value.
  int32_t CommitDpiText(QLineEdit* edit);
  // CommitDpiText on row `row`, and its slider to the value.
  int32_t CommitDpiEdit(int row);
  void ShowRefreshResult(const RefreshResult& result);
  static QString AccessDeniedHint(const QString& node);

  // Device jobs, on the worker.
  void ApplyToDevice(bool restore);
  void RefreshAfterArrival();
  void CloseAfterRemoval();
  void RefreshAfterUpdate();

  // Runs `fn` on the window's thread and waits for it (device jobs).
  void CallOnWindow(const std::function<void()>& fn) { m_windowCalls.Call(fn); }

  DeviceLink& m_link;

  QIcon m_hIcon;
  QLabel* m_firmwareVersionText = nullptr;
  QComboBox* m_levelCountCombo = nullptr;
  std::array<uint32_t, kDpiLevels> m_dpiValue{};
  std::unique_ptr<MouseSettings> m_settings;
  QCheckBox* m_backlightCheck = nullptr;
  std::array<QLineEdit*, kDpiLevels> m_dpiEdit{};
  std::array<QSlider*, kDpiLevels> m_dpiSlider{};
  std::array<CDhsStatic*, kDpiLevels> m_dpiLabel{};
  QLabel* m_programVersionText = nullptr;
  QComboBox* m_reportRateCombo = nullptr;

  QTimer m_timer;
  std::unique_ptr<HidMonitor> m_monitor;
  QSocketNotifier* m_monitorNotifier = nullptr;
  uint64_t m_deviceEventsSeen = 0;
  SleepInhibitor* m_sleepInhibitor = nullptr;
  bool m_updateRunning = false;  // window thread
  std::atomic<bool> m_closing{false};
  WindowCalls m_windowCalls{this};
  DeviceWorker m_worker;  // last: stopped before anything it uses goes
};

}  // namespace tr58k
