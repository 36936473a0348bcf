// tr58kctl's commands. Each runs against a DeviceLink (the real mouse or
// the simulated one), prints its result to `out` and its errors and notes to
// `err`, and returns the exit status (kExit* in cli_options.h). The device
// side goes through RefreshSettingsFromMouse and ApplySettingsToMouse, the
// same sequences the configuration window runs.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "cli/cli_options.h"
#include "device/device_link.h"
#include "firmware/sleep_inhibitor.h"
#include "settings/mouse_settings.h"
#include "settings/settings_rules.h"

namespace tr58k {

struct CliContext {
  DeviceLink& link;
  std::string profilePath;  // DefaultProfilePath(); empty: no per-user folder
  bool json = false;
  std::ostream& out;
  std::ostream& err;
  // For `firmware`: where the confirmation is read from (null: nobody
  // answers), whether `out` is a terminal (the progress bar is redrawn in
  // place), the sleep inhibitor held during the update (may be null), and
  // whether the link's devices are the simulated mouse (its test image is
  // then the default).
  std::istream* in = nullptr;
  bool terminal = false;
  SleepInhibitor* inhibitor = nullptr;
  bool simulated = false;
};

int RunInfo(CliContext& context);
int RunShow(CliContext& context);
int RunApply(const ApplyChanges& changes, CliContext& context);
int RunRestore(CliContext& context);
int RunProfile(CliContext& context);
// firmware_command.cpp: the update with options.imagePath / assumeYes.
int RunFirmware(const CliOptions& options, CliContext& context);

// Runs options.command; kExitBadArguments for kNone.
int RunCommand(const CliOptions& options, CliContext& context);

// What the command line puts into the record where the window reads its
// controls: the named values; every level's vertical DPI follows its
// horizontal one and the backlight flag becomes 1 or 0, as the window's
// controls hold them.
void ReadCommandLineInto(const ApplyChanges& changes, MouseSettings& settings);

// Empty when the mouse may be sent `settings`; otherwise a message naming
// the bad value and the option that replaces it.
std::string CheckSendable(const MouseSettings& settings);

}  // namespace tr58k
