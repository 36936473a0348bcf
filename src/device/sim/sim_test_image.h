// The image the window's simulated update sends, by the name the window
// still asks for it: SimulatedFirmwareImage(). Goes once the window calls
// that directly.
#pragma once

#include <cstdint>
#include <span>

#include "device/sim/simulated_firmware_image.h"

namespace tr58k {

inline std::span<const uint8_t> SimTestFirmwareImage() { return SimulatedFirmwareImage(); }

}  // namespace tr58k
