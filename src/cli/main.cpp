// tr58kctl: the command-line companion of the configuration window.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/tr58kctl_app.h"
#include "device/linux/linux_hid_backend.h"
#include "firmware/linux/logind_inhibitor.h"
#include "i18n/language_choice.h"
#include "settings/profile_file.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  tr58k::SystemClock clock;
  tr58k::CliPlatform platform;
  platform.createBackend = [] { return tr58k::CreateLinuxHidBackend(); };
  platform.clock = &clock;
  platform.profilePath = tr58k::DefaultProfilePath();
  platform.in = &std::cin;
  platform.terminal = ::isatty(STDOUT_FILENO) == 1;
  platform.createInhibitor = [] { return std::make_unique<tr58k::LogindSleepInhibitor>("tr58kctl"); };
  platform.languages = tr58k::ProgramLanguagePreferences("");
  const int status = tr58k::RunTr58kctl(args, platform, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
