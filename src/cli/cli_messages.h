// Messages tr58kctl prints when it cannot reach the mouse.
#pragma once

#include <string>

#include "settings/user_messages.h"

namespace tr58k {

// Why a matching hidraw node could not be opened and how to allow it: the
// udev rule, reloading the rules, replugging. Several lines, newline-ended.
std::string AccessDeniedMessage(const std::string& nodePath);

}  // namespace tr58k
