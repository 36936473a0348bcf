// tr58kctl from its arguments to its exit status, with the platform
// injected, so that tests run the whole program in-process.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/hid_backend.h"
#include "firmware/sleep_inhibitor.h"

namespace tr58k {

struct CliPlatform {
  // The real devices; may return nullptr when the platform has none.
  std::function<std::unique_ptr<HidBackend>()> createBackend;
  // The clock the real devices are paced by (the system clock in the program).
  Clock* clock = nullptr;
  // DefaultProfilePath() in the program.
  std::string profilePath;
  // For `firmware`: the answers to its question (standard input; null: no
  // answer), whether standard output is a terminal, and the sleep
  // inhibitor held during a real update (may be empty or return nullptr).
  std::istream* in = nullptr;
  bool terminal = false;
  std::function<std::unique_ptr<SleepInhibitor>()> createInhibitor;
  // The language preferences of the environment, followed unless --language
  // names others: ProgramLanguagePreferences("") in the program; none (the
  // texts as written) by default.
  std::vector<std::string> languages;
};

// Parses `args` (without the program name), puts the catalogue of the
// language chosen in use (--language, else the platform's preferences),
// runs the command against the platform's devices or, with --simulate,
// against a fresh simulated mouse, and returns the exit status (kExit* in
// cli_options.h).
int RunTr58kctl(const std::vector<std::string>& args, const CliPlatform& platform,
                std::ostream& out, std::ostream& err);

}  // namespace tr58k
