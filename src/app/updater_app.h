// The application object: prepares the process, runs the main window
// modally and ends when it closes. Nothing is saved at exit.
//
// Options: --simulate runs the window on the simulated mouse (real waits),
// with Ctrl+Shift+P plugging it in and pulling it out; --screenshot FILE
// saves the window as it is first shown to FILE (PNG) and quits;
// --simulate --screenshot-update FILE runs a firmware update of the
// simulated mouse and saves the update window half-way through it.
// --simulate-unplugged (not advertised; for the start-up benchmark) is
// --simulate with the simulated mouse's cable out at start.
#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

namespace tr58k {

struct AppOptions {
  bool simulate = false;
  bool simulateUnplugged = false;  // implies simulate
  QString screenshotPath;
  QString updateScreenshotPath;  // honoured with --simulate only
};

// Options from the arguments after the program name; unknown ones are left
// to Qt (which has taken its own out already) and otherwise ignored.
AppOptions ParseAppOptions(const QStringList& arguments);

class CUpdaterApp : public QApplication {
  Q_OBJECT

 public:
  CUpdaterApp(int& argc, char** argv);

  // InitInstance, then ExitInstance. Returns the process exit code (0).
  int Run();

 private:
  void InitInstance();
  int ExitInstance();

  AppOptions options_;
};

}  // namespace tr58k
