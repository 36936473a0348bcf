// The main window's logic on a FakeWindowHost, with the simulated mouse on
// a TaggedClock and a private per-user folder: what the window rule tests
// share.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_dlg.h"
#include "device/sim/simulated_mouse.h"
#include "testing/fake_clock.h"
#include "testing/fake_window_host.h"

namespace tr58k {

class WindowRig {
 public:
  // A temporary XDG_CONFIG_HOME, the simulated mouse plugged in, the link.
  WindowRig();
  // Closes the window, then restores XDG_CONFIG_HOME and removes the folder.
  ~WindowRig();

  // Builds the window and initialises it on a fresh host (it "appears").
  // `timerMs` 0 leaves the DPI timer to the test (FireTimer / OnTimerTick).
  CUpdaterDlg& Open(unsigned timerMs = 0, unsigned startupWaitMs = kStartupWaitMs);
  // The window's OnDestroy and the host gone.
  void Close();
  // Runs the window's thread until plug events have been read and the
  // device worker is idle.
  void Settle();
  // Runs the window's thread, plug events included, until `done` holds (or
  // `timeoutMs` of real time has passed); returns `done()`.
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

  CUpdaterDlg& Window() { return *window_; }
  FakeWindowHost& Host() { return *host_; }

  std::string ProfilePath() const;
  void WriteProfile(const MouseSettings& settings);
  // The mouse's block with these settings (as the mouse would hold them).
  void SetMouseSettings(const MouseSettings& settings);
  // The command bytes (byte 1) of the requests the mouse received.
  std::vector<uint8_t> RequestCommands() const;
  // The block of the n-th configuration write the mouse received; empty
  // when there was none.
  std::vector<uint8_t> WrittenBlock(size_t n) const;

  TaggedClock clock;
  std::unique_ptr<SimulatedMouse> mouse;
  std::unique_ptr<DeviceLink> link;
  // What the window's update sends, as the program's --simulate start.
  std::span<const uint8_t> firmwareImage;

 private:
  void ReadPlugEvents();

  std::string configHome_;
  std::string oldConfigHome_;
  bool hadConfigHome_ = false;
  std::unique_ptr<CUpdaterDlg> window_;
  std::unique_ptr<FakeWindowHost> host_;
};

}  // namespace tr58k
