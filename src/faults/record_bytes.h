// What a settings record looks like on disk and on the mouse, for tests that
// compare files and blocks byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/device_settings.h"
#include "settings/mouse_settings.h"

namespace tr58k::faults {

// The bytes a profile of `settings` has on disk (a test failure is recorded
// if the record cannot be serialised).
std::vector<uint8_t> ProfileBytes(const MouseSettings& settings);

// The configuration block the mouse holds after `settings` was written.
DeviceConfigBlock BlockOf(const MouseSettings& settings);

}  // namespace tr58k::faults
