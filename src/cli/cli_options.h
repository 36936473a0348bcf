// tr58kctl's command line: the commands, the global options, the options of
// `apply`, and the help texts. Parsing checks every value (a DPI the mouse
// cannot take is refused here, before any device or file is touched).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/mouse_settings.h"
#include "settings/settings_rules.h"

namespace tr58k {

// Exit statuses of tr58kctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotConfirmed = 1;  // firmware: the user did not say yes
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitMouseNotFound = 3;
inline constexpr int kExitCommandFailed = 4;
inline constexpr int kExitAccessDenied = 5;

enum class CliCommand { kNone, kInfo, kShow, kApply, kRestore, kProfile, kFirmware };

// What `apply` was told to change; an empty field keeps the current value.
struct ApplyChanges {
  std::optional<int16_t> reportInterval;  // a report interval code (1, 2, 4, 8)
  std::optional<uint8_t> dpiLevelCount;   // 1..4
  std::optional<std::array<int16_t, kDpiLevels>> dpi;  // each 50..16000, step 50
  std::optional<uint8_t> wheelBacklight;  // 1 on, 0 off

  bool Empty() const { return !reportInterval && !dpiLevelCount && !dpi && !wheelBacklight; }
};

struct CliOptions {
  CliCommand command = CliCommand::kNone;
  bool simulate = false;
  bool json = false;
  bool trace = false;
  bool help = false;     // help for `command` (general help when kNone)
  bool version = false;
  // --language LANG: the language to speak, as a preference or a
  // colon-separated list of them (empty: the environment's).
  std::string language;
  ApplyChanges changes;
  // firmware: --image FILE (empty: the built-in image, or the test image
  // with --simulate) and --yes (no question asked).
  std::string imagePath;
  bool assumeYes = false;
};

struct ParseResult {
  bool ok = false;
  CliOptions options;
  std::string error;  // one line, without the program name, when !ok
};

// Parses the arguments after the program name, its messages in the language
// in use. Global options may stand before or after the command; `apply`'s
// options only after `apply`, and `firmware`'s (--image FILE, --yes) only
// after `firmware`. Both "--opt value" and "--opt=value" are accepted. --help and --version win
// over everything else on the line. Returns ok == false with a message for
// an unknown command or option, a missing or bad value, an option given
// twice, or no command at all.
ParseResult ParseCommandLine(const std::vector<std::string>& args);

// The help text for one command, or the general help for kNone, in the
// language in use.
std::string HelpText(CliCommand command);

// "tr58kctl <version>"
std::string VersionText();

// The name a command is typed as ("apply"), or "" for kNone.
const char* CommandName(CliCommand command);

}  // namespace tr58k
