#include "app/updater_app.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/app_icon.h"
#include "app/updater_dlg.h"
#include "device/clock.h"
#include "device/device_link.h"
#include "device/linux/linux_hid_backend.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {

AppOptions ParseAppOptions(const QStringList& arguments) {
  AppOptions options;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (arg == QLatin1String("--simulate")) {
      options.simulate = true;
    } else if (arg == QLatin1String("--screenshot") && i + 1 < arguments.size()) {
      options.screenshotPath = arguments[++i];
    }
  }
  return options;
}

CUpdaterApp::CUpdaterApp(int& argc, char** argv) : QApplication(argc, argv) {
  options_ = ParseAppOptions(arguments());
  // Lets the desktop tie the window to its menu entry and icon.
  setDesktopFileName(DesktopEntryId());
  setWindowIcon(LoadAppIcon());
}

int CUpdaterApp::Run() {
  InitInstance();
  return ExitInstance();
}

void CUpdaterApp::InitInstance() {
  SystemClock clock;
  std::unique_ptr<HidBackend> backend;
  SimulatedMouse* simulated = nullptr;
  if (options_.simulate) {
    auto mouse = std::make_unique<SimulatedMouse>(clock);
    simulated = mouse.get();
    backend = std::move(mouse);
  } else {
    backend = CreateLinuxHidBackend();
  }
  DeviceLink link(*backend, clock);
  CUpdaterDlg dlg(link);
  if (simulated) {
    auto* cable = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")), &dlg);
    QObject::connect(cable, &QShortcut::activated, &dlg, [simulated] {
      if (simulated->IsPlugged()) {
        simulated->Unplug();
      } else {
        simulated->Plug();
      }
    });
  }
  std::function<void()> screenshot;
  if (!options_.screenshotPath.isEmpty()) {
    // Once the window is up (a message box at start-up may come first).
    screenshot = [&dlg, &screenshot, path = options_.screenshotPath] {
      if (!dlg.isVisible()) {
        QTimer::singleShot(50, &dlg, screenshot);
        return;
      }
      dlg.grab().save(path, "PNG");
      dlg.reject();
    };
    QTimer::singleShot(0, &dlg, screenshot);
  }
  // The result of the run is not looked at.
  dlg.DoModal();
}

int CUpdaterApp::ExitInstance() { return 0; }

}  // namespace tr58k
