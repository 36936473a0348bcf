#include "vmtest/firmware_models.h"

#include "device/sim/bootloader_firmware.h"
#include "device/sim/normal_firmware.h"

namespace tr58k {

std::unique_ptr<SimFirmware> MakeNormalFirmware() { return std::make_unique<NormalFirmware>(); }

std::unique_ptr<SimFirmware> MakeBootloaderFirmware() {
  return std::make_unique<BootloaderFirmware>();
}

}  // namespace tr58k
