// The application object: prepares the process, runs the main window
// modally and ends when it closes. Nothing is saved at exit. The toolkit
// that shows the windows comes in as an AppHost, the mouse the window works
// on as an AppDevice, chosen where the program starts (app/app_device.h).
//
// Options: --simulate runs the window on the simulated mouse (real waits);
// --screenshot FILE saves the window as it is first shown to FILE (PNG) and
// quits; --simulate --screenshot-update FILE runs a firmware update of the
// simulated mouse and saves the update window half-way through it.
// --simulate-unplugged (not advertised; for the start-up benchmark) is
// --simulate with the simulated mouse's cable out at start. --language LANG
// (or --language=LANG) names the language to speak instead of the
// environment's; main() puts it in use (ChooseProgramLanguage).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/updater_dlg.h"

namespace tr58k {

class SimulatedMouse;

struct AppOptions {
  bool simulate = false;
  bool simulateUnplugged = false;  // implies simulate
  std::string screenshotPath;
  std::string updateScreenshotPath;  // honoured with --simulate only
  std::string language;              // empty: the environment's
};

// Options from the arguments after the program name (arguments[0]); unknown
// ones are ignored.
AppOptions ParseAppOptions(const std::vector<std::string>& arguments);

// What the window works on. Everything it points at must outlive the
// application object.
struct AppDevice {
  DeviceLink& link;
  // What "固件更新" sends; empty: the update says it cannot read the image.
  std::span<const uint8_t> firmwareImage;
  // Held through a firmware update; nullptr: none.
  SleepInhibitor* sleepInhibitor = nullptr;
  // The simulated mouse behind the link, for the host's cable shortcut;
  // nullptr for a real one.
  SimulatedMouse* simulated = nullptr;
};

// What a toolkit does for the application object.
class AppHost {
 public:
  virtual ~AppHost() = default;
  // Runs `dlg` modally as the program's main window and returns its result.
  // `simulated` is the simulated mouse, or nullptr for a real one.
  virtual int RunMainWindow(CUpdaterDlg& dlg, SimulatedMouse* simulated,
                            const AppOptions& options) = 0;
};

class CUpdaterApp {
 public:
  // `host` must outlive the application object.
  CUpdaterApp(AppOptions options, AppDevice device, AppHost& host);

  // InitInstance, then ExitInstance. Returns the process exit code (0).
  int Run();

 private:
  void InitInstance();
  int ExitInstance();

  AppOptions options_;
  AppDevice device_;
  AppHost& host_;
};

}  // namespace tr58k
