// The firmware image the simulated mouse is updated with when nothing else
// is given (tr58kctl --simulate firmware, the window's simulated mode): the
// build's 21,504-byte test image. It begins with kTestImageMarker, so the
// transfer sends it to the simulated mouse only.
#pragma once

#include <cstdint>
#include <span>

namespace tr58k {

std::span<const uint8_t> SimTestFirmwareImage();

}  // namespace tr58k
