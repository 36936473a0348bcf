#include "app/updater_app.h"

#include <QKeySequence>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/app_icon.h"
#include "app/fw_update_dlg.h"
#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "device/clock.h"
#include "device/device_link.h"
#include "device/linux/linux_hid_backend.h"
#include "device/sim/simulated_mouse.h"
#include "firmware/linux/logind_inhibitor.h"

namespace tr58k {

AppOptions ParseAppOptions(const QStringList& arguments) {
  AppOptions options;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (arg == QLatin1String("--simulate")) {
      options.simulate = true;
    } else if (arg == QLatin1String("--simulate-unplugged")) {
      options.simulate = true;
      options.simulateUnplugged = true;
    } else if (arg == QLatin1String("--screenshot") && i + 1 < arguments.size()) {
      options.screenshotPath = arguments[++i];
    } else if (arg == QLatin1String("--screenshot-update") && i + 1 < arguments.size()) {
      options.updateScreenshotPath = arguments[++i];
    }
  }
  return options;
}

namespace {

// Opens the update window from the main window's button, starts an update,
// saves the window to `path` once the progress bar is past half-way, leaves
// the window when the update has ended and closes the program.
void ScheduleUpdateScreenshot(CUpdaterDlg& dlg, const QString& path) {
  enum class Step { kOpen, kStart, kShoot, kLeave, kQuit };
  auto step = std::make_shared<Step>(Step::kOpen);
  auto* poll = new QTimer(&dlg);
  QObject::connect(poll, &QTimer::timeout, &dlg, [&dlg, step, path] {
    auto* fw = qobject_cast<CFwUpdate*>(QApplication::activeModalWidget());
    switch (*step) {
      case Step::kOpen:
        if (!dlg.isVisible()) return;
        *step = Step::kStart;
        // The modal run starts from its own event, not inside this timer.
        QTimer::singleShot(0, dlg.GetDlgItem(ctl::kFirmwareUpdate), [&dlg] {
          dlg.GetDlgItemAs<QPushButton>(ctl::kFirmwareUpdate)->click();
        });
        return;
      case Step::kStart:
        if (!fw || !fw->isVisible()) return;
        *step = Step::kShoot;
        fw->OnUpdateClicked();
        return;
      case Step::kShoot:
        if (!fw || fw->GetDlgItemAs<QProgressBar>(fwctl::kProgress)->value() < 50) return;
        fw->grab().save(path, "PNG");
        *step = Step::kLeave;
        return;
      case Step::kLeave:
        if (!fw || fw->UpdateRunning()) return;
        *step = Step::kQuit;
        fw->OnExitClicked();
        return;
      case Step::kQuit:
        if (fw || dlg.FirmwareUpdateRunning()) return;
        dlg.reject();
        return;
    }
  });
  poll->start(50);
}

}  // namespace

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
    auto mouse = std::make_unique<SimulatedMouse>(
        clock, SimulatedMouseOptions{.plugged = !options_.simulateUnplugged});
    simulated = mouse.get();
    backend = std::move(mouse);
  } else {
    backend = CreateLinuxHidBackend();
  }
  DeviceLink link(*backend, clock);
  // Only a real mouse's update keeps the machine awake.
  std::unique_ptr<LogindSleepInhibitor> inhibitor;
  if (!simulated) inhibitor = std::make_unique<LogindSleepInhibitor>();
  CUpdaterDlg dlg(link);
  dlg.SetSleepInhibitor(inhibitor.get());
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
  if (simulated && !options_.updateScreenshotPath.isEmpty()) {
    ScheduleUpdateScreenshot(dlg, options_.updateScreenshotPath);
  }
  // The result of the run is not looked at.
  dlg.DoModal();
}

int CUpdaterApp::ExitInstance() { return 0; }

}  // namespace tr58k
