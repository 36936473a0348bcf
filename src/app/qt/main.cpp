// tr58k-config on Qt: the QApplication, the mouse the window works on (the
// platform's, or the simulated one for --simulate), then the application
// object.
#include <QApplication>
#include <QStringList>
#include <string>
#include <vector>

#include "app/app_device.h"
#include "app/qt/app_icon.h"
#include "app/qt/qt_app_host.h"
#include "app/updater_app.h"
#include "i18n/language_choice.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  // Lets the desktop tie the window to its menu entry and icon.
  QApplication::setDesktopFileName(tr58k::DesktopEntryId());
  QApplication::setWindowIcon(tr58k::LoadAppIcon());
  // Qt has taken its own options out already.
  std::vector<std::string> arguments;
  for (const QString& arg : QApplication::arguments()) arguments.push_back(arg.toStdString());
  const tr58k::AppOptions options = tr58k::ParseAppOptions(arguments);
  tr58k::ChooseProgramLanguage(options.language);
  tr58k::ProgramDevice device(options);
  tr58k::QtAppHost host;
  tr58k::CUpdaterApp app(options, device.ForWindow(), host);
  return app.Run();
}
