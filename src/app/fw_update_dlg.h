// The firmware update window: loads the image, finds the mouse in either of
// its modes and runs the update off the window's thread, showing its course
// in a progress bar and a one-line status field.
//
// Threads: the window's thread loads the image and starts the work; the
// probe (with its discovery waits) and the update run elsewhere and reach
// the window only as the FirmwareUpdateReporter, whose calls are queued to
// the window's thread and wait until they have run there. No worker ever
// touches a widget, and the window's thread never waits for the worker.
//
// While the work runs, the window cannot be closed (exit button disabled;
// close box, Escape and Enter refused) and the update button is disabled,
// since the work uses the window's image and reports to its controls.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>

#include "device/device_link.h"
#include "firmware/firmware_image.h"
#include "firmware/firmware_transfer.h"
#include "firmware/firmware_worker.h"
#include "firmware/sleep_inhibitor.h"
#include "firmware/update_reporter.h"
#include "ui/window_host.h"

namespace tr58k {

class CFwUpdate : public DialogLogic, public FirmwareUpdateReporter {
 public:
  // Runs one update's work on a thread other than the window's, once, and
  // returns at once. The work ends by telling the window.
  using Runner = std::function<void(std::function<void()> work)>;

  // `stored` is the image the update sends (the program's own is
  // EmbeddedFirmwareImage(); empty: the update refuses to start). `link`
  // and the bytes of `stored` must outlive the window.
  CFwUpdate(DeviceLink& link, std::span<const uint8_t> stored);
  // Should the work still run, waits for it to end, answering its calls.
  ~CFwUpdate() override;

  const DialogTemplate& Template() const override;
  void OnInitDialog() override;
  void OnCommand(int id) override;
  // Enter outside a push button is the dialog's OK.
  void OnEnter(int focusId) override;
  void OnDestroy() override;
  // Every way of ending the dialog is refused while the work runs.
  bool CanEnd() const override { return !m_running; }

  // Held while an update runs (may be null, the default).
  void SetSleepInhibitor(SleepInhibitor* inhibitor) { m_inhibitor = inhibitor; }
  // Where the work runs; without one, on a thread of the window's own.
  void SetRunner(Runner runner) { m_runner = std::move(runner); }

  void OnUpdateClicked();
  void OnExitClicked();

  // FirmwareUpdateReporter, for the work: each returns once shown.
  void SetStatusText(const std::string& text) override;
  void SetProgress(int position) override;
  void EnableExitButton() override;

  // Window thread. True from a click that started the work until the work
  // has ended.
  bool UpdateRunning() const { return m_running; }
  const FirmwareImage& Image() const { return m_image; }

 private:
  // The probe and the update for the mode found, off the window's thread.
  UpdateOutcome ProbeAndUpdate();
  // The work's last act: back on the window's thread, the window is idle.
  void WorkEnded();
  void OnWorkEnded();

  // About 120 KiB, held inline: the window lives on its opener's stack for
  // one modal run, and loading allocates nothing for the image.
  FirmwareImage m_image;

  DeviceLink& m_link;
  std::span<const uint8_t> m_stored;
  SleepInhibitor* m_inhibitor = nullptr;
  Runner m_runner;
  bool m_running = false;        // window thread
  bool m_exitWhenEnded = false;  // the exit button was clicked as the work ended
  bool m_destroying = false;
  // Set when the work starts, cleared by the work as its very last act.
  std::mutex m_workMutex;
  std::condition_variable m_workEnded;
  bool m_workAlive = false;
  FirmwareUpdateWorker m_ownWorker;  // last: joined before anything it uses goes
};

}  // namespace tr58k
