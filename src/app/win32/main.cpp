// tr58k-config.exe: the command line in UTF-8, the common controls, the
// mouse the window works on (the platform's, or the simulated one for
// --simulate), then the application object on the Win32 host.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/app_device.h"
#include "app/updater_app.h"
#include "app/win32/win32_app_host.h"
#include "i18n/language_choice.h"
#include "ui/win32/utf16.h"
#include "ui/win32/win32_dialog_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tr58k::InitWin32Controls();
  std::vector<std::string> arguments;
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 0; i < argc; ++i) arguments.push_back(tr58k::WideToUtf8(argv[i]));
    LocalFree(argv);
  }
  const tr58k::AppOptions options = tr58k::ParseAppOptions(arguments);
  tr58k::ChooseProgramLanguage(options.language);
  tr58k::ProgramDevice device(options);
  tr58k::Win32AppHost host;
  tr58k::CUpdaterApp app(options, device.ForWindow(), host);
  return app.Run();
}
