// Messages tr58kctl prints when it cannot reach the mouse.
#pragma once

#include <string>

namespace tr58k {

// The window's message when the mouse is missing on apply or restore.
inline constexpr const char* kMouseNotFoundMessage = "检测不到ZEMO TR-58K鼠标,请重试！";

// Why a matching interface could not be opened and what to do: on Linux the
// udev rule, reloading the rules, replugging; on Windows closing the program
// that holds the mouse, replugging. Several lines, newline-ended.
std::string AccessDeniedMessage(const std::string& nodePath);

}  // namespace tr58k
