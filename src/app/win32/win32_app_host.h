// The application host on Win32: runs the main window as a modal dialog.
// With the simulated mouse, Ctrl+Shift+P pulls its cable out and plugs it
// back in, as in the Linux window. --screenshot and --screenshot-update
// write their pictures as BMP files here.
#pragma once

#include "app/updater_app.h"

namespace tr58k {

class Win32AppHost : public AppHost {
 public:
  int RunMainWindow(CUpdaterDlg& dlg, SimulatedMouse* simulated, const AppOptions& options) override;
};

}  // namespace tr58k
