#include "app/updater_app.h"

#include <memory>

#include "app/app_platform.h"
#include "device/clock.h"
#include "device/device_link.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {

AppOptions ParseAppOptions(const std::vector<std::string>& arguments) {
  AppOptions options;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--simulate") {
      options.simulate = true;
    } else if (arg == "--simulate-unplugged") {
      options.simulate = true;
      options.simulateUnplugged = true;
    } else if (arg == "--screenshot" && i + 1 < arguments.size()) {
      options.screenshotPath = arguments[++i];
    } else if (arg == "--screenshot-update" && i + 1 < arguments.size()) {
      options.updateScreenshotPath = arguments[++i];
    } else if (arg == "--language" && i + 1 < arguments.size()) {
      options.language = arguments[++i];
    } else if (arg.rfind("--language=", 0) == 0) {
      options.language = arg.substr(11);
    }
  }
  return options;
}

CUpdaterApp::CUpdaterApp(AppOptions options, AppHost& host)
    : options_(std::move(options)), host_(host) {}

int CUpdaterApp::Run() {
  InitInstance();
  return ExitInstance();
}

void CUpdaterApp::InitInstance() {
  SystemClock clock;
  std::unique_ptr<HidBackend> backend;
  SimulatedMouse* simulated = nullptr;
  if (options_.simulate) {
    auto mouse = std::make_unique<SimulatedMouse>(
        clock, SimulatedMouseOptions{.plugged = !options_.simulateUnplugged});
    simulated = mouse.get();
    backend = std::move(mouse);
  } else {
    backend = CreatePlatformHidBackend();
  }
  DeviceLink link(*backend, clock);
  // Test images may go to the simulated mouse, and only to it.
  link.testImagesAllowed = simulated != nullptr;
  // Only a real mouse's update keeps the machine awake.
  std::unique_ptr<SleepInhibitor> inhibitor;
  if (!simulated) inhibitor = CreatePlatformSleepInhibitor();
  CUpdaterDlg dlg(link);
  dlg.SetSleepInhibitor(inhibitor.get());
  // The result of the run is not looked at.
  host_.RunMainWindow(dlg, simulated, options_);
}

int CUpdaterApp::ExitInstance() { return 0; }

}  // namespace tr58k
