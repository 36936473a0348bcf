// The command line of tr58k-uhid-mouse.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vmtest/virtual_mouse.h"

namespace tr58k {

struct UhidMouseCommandLine {
  VirtualMouseOptions mouse;
  std::string logPath;  // empty: standard output
  std::string pidPath;  // written once the mouse is on the bus; empty: none
  // After removing an interface, wait until no process holds its hidraw node
  // before the bus changes again (for hosts whose HID stack cannot take
  // overlapping changes).
  bool waitForRelease = false;
};

// Parses the arguments (without the program name). Returns nullopt and sets
// *error on a bad argument.
//   --mode normal|bootloader   --version HEX (e.g. 0026)
//   --busy-every N [--busy-count K]
//   --unplug-at CMD[:N]        CMD in hex: the N-th request with it (1)
//   --mute-at CMD[:N]          no get answered from that request on
//   --replug-after MS          --log FILE   --pid-file FILE
//   --wait-for-release         --a1-long (0xA1 declared at 1041 bytes)
std::optional<UhidMouseCommandLine> ParseUhidMouseArgs(const std::vector<std::string>& args,
                                                       std::string* error);

extern const char* const kUhidMouseUsage;

}  // namespace tr58k
