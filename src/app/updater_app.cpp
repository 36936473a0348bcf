#include "app/updater_app.h"

#include <utility>

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

CUpdaterApp::CUpdaterApp(AppOptions options, AppDevice device, AppHost& host)
    : options_(std::move(options)), device_(device), host_(host) {}

int CUpdaterApp::Run() {
  InitInstance();
  return ExitInstance();
}

void CUpdaterApp::InitInstance() {
  CUpdaterDlg dlg(device_.link, device_.firmwareImage);
  dlg.SetSleepInhibitor(device_.sleepInhibitor);
  // The result of the run is not looked at.
  host_.RunMainWindow(dlg, device_.simulated, options_);
}

int CUpdaterApp::ExitInstance() { return 0; }

}  // namespace tr58k
