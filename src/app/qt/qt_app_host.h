// The Qt side of the application object: the QApplication, the main window
// in a QtDialogHost with the program's icon, and the extras of a simulated
// run (the cable shortcut, the screenshots).
#pragma once

#include "app/updater_app.h"

namespace tr58k {

class QtAppHost final : public AppHost {
 public:
  int RunMainWindow(CUpdaterDlg& dlg, SimulatedMouse* simulated, const AppOptions& options) override;
};

}  // namespace tr58k
