#include "cli/cli_messages.h"

#include "cli/settings_report.h"

namespace tr58k {

std::string AccessDeniedMessage(const std::string& nodePath) {
  const std::string node = nodePath.empty() ? "its hidraw node" : QuoteForTerminal(nodePath);
  return "tr58kctl: the mouse is connected (" + node +
         "), but this user may not open it: permission denied.\n"
         "To allow it, install the project's udev rule 70-zemo-tr58k.rules into\n"
         "/etc/udev/rules.d (or /usr/lib/udev/rules.d), reload and apply the rules with\n"
         "  udevadm control --reload\n"
         "  udevadm trigger\n"
         "then unplug the mouse and plug it in again.\n";
}

}  // namespace tr58k
