#include "app/qt/qt_app_host.h"

#include <QApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/fw_update_dlg.h"
#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/qt/app_icon.h"
#include "device/sim/simulated_mouse.h"
#include "ui/qt/qt_dialog_host.h"

namespace tr58k {

namespace {

QtDialogHost* ModalUpdateWindow() {
  auto* host = qobject_cast<QtDialogHost*>(QApplication::activeModalWidget());
  if (!host || !dynamic_cast<CFwUpdate*>(&host->Logic())) return nullptr;
  return host;
}

// Opens the update window from the main window's button, starts an update,
// saves the window to `path` once the progress bar is past half-way, leaves
// the window when the update has ended and closes the program.
void ScheduleUpdateScreenshot(QtDialogHost& main, CUpdaterDlg& dlg, const QString& path) {
  enum class Step { kOpen, kStart, kShoot, kLeave, kQuit };
  auto step = std::make_shared<Step>(Step::kOpen);
  auto* poll = new QTimer(&main);
  QObject::connect(poll, &QTimer::timeout, &main, [&main, &dlg, step, path] {
    QtDialogHost* fw = ModalUpdateWindow();
    switch (*step) {
      case Step::kOpen:
        if (!main.isVisible()) return;
        *step = Step::kStart;
        // The modal run starts from its own event, not inside this timer.
        QTimer::singleShot(0, &main, [&dlg] { dlg.OnCommand(ctl::kFirmwareUpdate); });
        return;
      case Step::kStart:
        if (!fw || !fw->isVisible()) return;
        *step = Step::kShoot;
        fw->Logic().OnCommand(fwctl::kUpdate);
        return;
      case Step::kShoot:
        if (!fw || fw->GetProgressPos(fwctl::kProgress) < 50) return;
        fw->grab().save(path, "PNG");
        *step = Step::kLeave;
        return;
      case Step::kLeave:
        if (!fw || static_cast<CFwUpdate&>(fw->Logic()).UpdateRunning()) return;
        *step = Step::kQuit;
        fw->Logic().OnCommand(fwctl::kExit);
        return;
      case Step::kQuit:
        if (fw || dlg.FirmwareUpdateRunning()) return;
        main.EndDialog(kIdCancel);
        return;
    }
  });
  poll->start(50);
}

}  // namespace

int QtAppHost::RunMainWindow(CUpdaterDlg& dlg, SimulatedMouse* simulated, const AppOptions& options) {
  QtDialogHost host(dlg);
  host.setWindowIcon(LoadAppIcon());
  if (simulated) {
    auto* cable = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")), &host);
    QObject::connect(cable, &QShortcut::activated, &host, [simulated] {
      if (simulated->IsPlugged()) {
        simulated->Unplug();
      } else {
        simulated->Plug();
      }
    });
  }
  std::function<void()> screenshot;
  if (!options.screenshotPath.empty()) {
    // Once the window is up (a message box at start-up may come first).
    screenshot = [&host, &screenshot, path = QString::fromStdString(options.screenshotPath)] {
      if (!host.isVisible()) {
        QTimer::singleShot(50, &host, screenshot);
        return;
      }
      host.grab().save(path, "PNG");
      host.EndDialog(kIdCancel);
    };
    QTimer::singleShot(0, &host, screenshot);
  }
  if (simulated && !options.updateScreenshotPath.empty()) {
    ScheduleUpdateScreenshot(host, dlg, QString::fromStdString(options.updateScreenshotPath));
  }
  return host.RunModal();
}

}  // namespace tr58k
