// Messages tr58kctl prints when it cannot reach the mouse.
#pragma once

#include <string>

#include "settings/user_messages.h"

namespace tr58k {

// Why a matching interface could not be opened and what to do: on Linux the
// udev rule, reloading the rules, replugging; on Windows closing the program
// that holds the mouse, replugging. Several lines, newline-ended.
std::string AccessDeniedMessage(const std::string& nodePath);

}  // namespace tr58k
