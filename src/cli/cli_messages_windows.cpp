#include "cli/cli_messages.h"

#include "cli/settings_report.h"
#include "i18n/text_lookup.h"

namespace tr58k {

// Windows needs no permission rule for a HID mouse: a refused open means
// another program holds the interface open for itself.
std::string AccessDeniedMessage(const std::string& nodePath) {
  const std::string node = nodePath.empty() ? Tr("its HID interface") : QuoteForTerminal(nodePath);
  // TRANSLATORS: %1 is the mouse's HID interface path.
  return "tr58kctl: " +
         Format(Tr("the mouse is connected (%1), but Windows refused to open it: access denied.\n"
                   "Another program holds the mouse open, most likely the maker's own\n"
                   "configuration tool. Close it (also in the notification area), then\n"
                   "unplug the mouse and plug it in again."),
                {node}) +
         "\n";
}

}  // namespace tr58k
