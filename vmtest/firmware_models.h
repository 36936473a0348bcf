// The firmware models the virtual mouse runs in each mode.
#pragma once

#include <memory>

#include "device/sim/sim_firmware.h"

namespace tr58k {

std::unique_ptr<SimFirmware> MakeNormalFirmware();
std::unique_ptr<SimFirmware> MakeBootloaderFirmware();

}  // namespace tr58k
