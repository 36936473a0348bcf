// The main window: the mouse's settings, their apply and factory restore,
// the firmware version, plug and unplug, the support page. Toolkit-free: it
// speaks to its controls only through the WindowHost.
//
// Threads: the window's thread runs every handler and owns the settings
// record and the controls. Every exchange with the mouse, every wait and
// every use of the link runs on one device worker, job after job in the
// order they were asked for. A job reaches the window only through the
// host's bridge (ReadControls, showing what it read, message boxes); the
// window's thread never waits on the worker, except for the start-up read,
// for at most StartupWaitMs before the first show.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "device/device_link.h"
#include "device/mouse_session.h"
#include "firmware/sleep_inhibitor.h"
#include "settings/mouse_settings.h"
#include "settings/user_messages.h"
#include "ui/device_worker.h"
#include "ui/window_host.h"

namespace tr58k {

inline constexpr int kDpiTimerId = 1;
inline constexpr unsigned kTimerPeriodMs = 200;
inline constexpr uint32_t kArrivalSettleMs = 900;
// How long the first show waits for the start-up read: a mouse that answers
// is shown at once, one that hangs does not hold the window back.
inline constexpr unsigned kStartupWaitMs = 500;
// A click on a DPI track moves a fifth of its range, as a trackbar's default.
inline constexpr int kDpiSliderPageSize = 63;
// The colours of the DPI level captions, rows 1 to 4.
inline constexpr std::array<uint32_t, kDpiLevels> kLevelCaptionColors = {0x0000FF, 0x00FF00,
                                                                         0xFF0000, 0xFFFFFF};

class CUpdaterDlg : public DialogLogic {
 public:
  // Builds the settings record and loads the profile over it. `link` must
  // outlive the window; `firmwareImage` is what "固件更新" sends (chosen where
  // the program starts; empty: the update says it cannot read the image),
  // and its bytes must outlive the window too.
  CUpdaterDlg(DeviceLink& link, std::span<const uint8_t> firmwareImage);
  // Stops the device worker if OnDestroy has not.
  ~CUpdaterDlg() override;

  const DialogTemplate& Template() const override;

  // Opens the mouse, reads its settings over the record and shows them with
  // the firmware version, on the window's thread. Returns 1 when the mouse
  // was found, 0 when not.
  int RefreshFromDevice();
  void InitControls();
  void ShowSettings(const MouseSettings& settings);
  // The controls into `settings`; each DPI box is committed first (clamped
  // and rounded), and a list without a selection leaves its field alone.
  void ReadControls(MouseSettings& settings);
  void ShowLevelRows(uint8_t count);
  // The DPI value for the slider of row `row` (see the .cpp for the rules).
  int32_t CheckDpiEdit(int row);

  // The timer's work: returns true when it changed a text or a slider.
  bool OnTimerTick();
  void OnHScroll(int row);
  void OnLevelCountChange();
  void OnApply();
  void OnRestoreFactory();
  void OnDriverUpdate();
  // Runs the firmware update window modally. While an update runs there the
  // window's own device-change handling is held back (the mouse leaves and
  // comes back under another identity meanwhile), and once it has ended the
  // window reads the mouse again, so the version shown is the new one.
  void OnFirmwareUpdate();

  // Notifications.
  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnListChoice(int id) override;
  void OnSliderMoved(int id) override;
  void OnEditChanged(int id) override;
  void OnEditLostFocus(int id) override;
  void OnEnter(int focusId) override;
  void OnBackgroundPressed() override;
  void OnDeviceChange(const HidEvent& event) override;
  void OnTimer(int id) override;
  void OnDestroy() override;

  // Held while a firmware update runs (may be null, the default). Must
  // outlive the window.
  void SetSleepInhibitor(SleepInhibitor* inhibitor) { m_sleepInhibitor = inhibitor; }
  // The image the firmware update sends: the one the window was made with.
  std::span<const uint8_t> FirmwareImageForUpdate() const { return m_firmwareImage; }
  // The timer's period; 0 never sets it (tests tick by hand). Before the
  // window is initialised.
  void SetTimerPeriodMs(unsigned ms);
  // How long the first show waits for the start-up read. Before the window
  // is initialised.
  void SetStartupWaitMs(unsigned ms) { m_startupWaitMs = ms; }

  // Observation, window thread.
  const MouseSettings& Settings() const { return *m_settings; }
  uint32_t DpiValue(int row) const { return m_dpiValue[row]; }
  bool DeviceWorkIdle() const { return m_worker.Idle(); }
  uint64_t DeviceEventsSeen() const { return m_deviceEventsSeen; }
  // True from the start of a firmware update's work until the window has
  // been brought up to date after it.
  bool FirmwareUpdateRunning() const { return m_updateRunning; }
  // True while the timer is set: something may still change at a tick.
  bool TimerRunning() const { return m_timerSet; }
  // True once the start-up read's result has been shown.
  bool StartupReadShown() const { return m_startup == nullptr; }
  // The plug and unplug source; nullptr when there is none.
  const HidMonitor* Monitor() const { return m_monitor.get(); }

 private:
  struct StartupRead;

  void WriteDpiEdits();
  // Clamps and rounds the text of row `row` as for a box that has lost the
  // focus; returns the value.
  int32_t CommitDpiText(int row);
  // CommitDpiText on row `row`, and its slider to the value.
  int32_t CommitDpiEdit(int row);
  // Sets the timer, if it is not set, since a tick may now change something.
  void ArmTimer();
  void ShowRefreshResult(const RefreshResult& result);
  void ShowNoMouse();
  void StartStartupRead();
  void TakeStartupRead();

  // Device jobs, on the worker.
  void ApplyToDevice(bool restore);
  void RefreshAfterArrival();
  void CloseAfterRemoval();
  void RefreshAfterUpdate();

  // Runs `fn` on the window's thread and waits for it (device jobs).
  void CallOnWindow(const std::function<void()>& fn) { host().Calls().Call(fn); }

  DeviceLink& m_link;
  const std::span<const uint8_t> m_firmwareImage;

  std::array<uint32_t, kDpiLevels> m_dpiValue{};
  std::unique_ptr<MouseSettings> m_settings;

  std::unique_ptr<HidMonitor> m_monitor;
  uint64_t m_deviceEventsSeen = 0;
  SleepInhibitor* m_sleepInhibitor = nullptr;
  unsigned m_timerPeriodMs = kTimerPeriodMs;
  unsigned m_startupWaitMs = kStartupWaitMs;
  bool m_timerSet = false;       // window thread
  bool m_updateRunning = false;  // window thread
  std::shared_ptr<StartupRead> m_startup;  // until its result is shown
  std::atomic<bool> m_closing{false};
  DeviceWorker m_worker;  // last: stopped before anything it uses goes
};

}  // namespace tr58k
