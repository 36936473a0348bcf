#include "cli/cli_messages.h"

#include "cli/settings_report.h"
#include "i18n/text_lookup.h"

namespace tr58k {

std::string AccessDeniedMessage(const std::string& nodePath) {
  const std::string node = nodePath.empty() ? Tr("its hidraw node") : QuoteForTerminal(nodePath);
  // TRANSLATORS: %1 is the mouse's device node ('/dev/hidraw3'); keep the
  // commands and paths as they are.
  return "tr58kctl: " +
         Format(Tr("the mouse is connected (%1), but this user may not open it: permission "
                   "denied.\n"
                   "To allow it, install the project's udev rule 70-zemo-tr58k.rules into\n"
                   "/etc/udev/rules.d (or /usr/lib/udev/rules.d), reload and apply the rules with\n"
                   "  udevadm control --reload\n"
                   "  udevadm trigger\n"
                   "then unplug the mouse and plug it in again."),
                {node}) +
         "\n";
}

}  // namespace tr58k
