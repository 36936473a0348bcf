// tr58kctl.exe: the command-line companion of the configuration window on
// Windows. Arguments arrive as UTF-16 (wmain) and go on as UTF-8, as every
// path inside the program is. The console's code pages are left as they
// were: text reaches a console as UTF-16 (WriteConsoleW), and redirected
// output is UTF-8 whatever the console's code page.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/tr58kctl_app.h"
#include "cli/windows_console.h"
#include "device/windows/windows_hid_backend.h"
#include "firmware/windows/execution_state_inhibitor.h"
#include "i18n/language_choice.h"
#include "settings/profile_file.h"
#include "settings/wide_text_windows.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(tr58k::WideToUtf8(argv[i]));

  tr58k::ConsoleStreamBuf outBuf(::GetStdHandle(STD_OUTPUT_HANDLE));
  tr58k::ConsoleStreamBuf errBuf(::GetStdHandle(STD_ERROR_HANDLE));
  std::ostream out(&outBuf);
  std::ostream err(&errBuf);

  tr58k::SystemClock clock;
  tr58k::CliPlatform platform;
  platform.createBackend = [] { return tr58k::CreateWindowsHidBackend(); };
  platform.clock = &clock;
  platform.profilePath = tr58k::DefaultProfilePath();
  platform.in = &std::cin;
  platform.terminal = outBuf.IsConsole();
  platform.createInhibitor = [] { return std::make_unique<tr58k::ExecutionStateInhibitor>(); };
  platform.languages = tr58k::ProgramLanguagePreferences("");
  const int status = tr58k::RunTr58kctl(args, platform, out, err);
  out.flush();
  err.flush();
  return status;
}
