#include "cli/cli_messages.h"

#include "cli/settings_report.h"

namespace tr58k {

// Windows needs no permission rule for a HID mouse: a refused open means
// another program holds the interface open for itself.
std::string AccessDeniedMessage(const std::string& nodePath) {
  const std::string node = nodePath.empty() ? "its HID interface" : QuoteForTerminal(nodePath);
  return "tr58kctl: the mouse is connected (" + node +
         "), but Windows refused to open it: access denied.\n"
         "Another program holds the mouse open, most likely the maker's own\n"
         "configuration tool. Close it (also in the notification area), then\n"
         "unplug the mouse and plug it in again.\n";
}

}  // namespace tr58k
