// Hands a web address to the desktop's default browser.
#pragma once

#include <string>

namespace tr58k {

// Asks the desktop to open `address` (xdg-open on Linux, the shell on
// Windows) and returns without waiting for the browser. Failures are not
// reported: nothing opens.
void OpenAddressWithDesktop(const std::u16string& address);

}  // namespace tr58k
