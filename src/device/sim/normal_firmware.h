// The mouse's normal firmware: the configuration commands 0x07 (read the
// block), 0x03 (current profile slot), 0x08 (store the block) and 0x04
// (select a profile), and 0x3A (enter the bootloader: the mouse answers,
// leaves the bus and comes back as product 0x5836). Anything else is
// answered with kSimStatusRejected.
#pragma once

#include "device/sim/sim_firmware.h"

namespace tr58k {

// The block a factory-fresh mouse holds: the factory settings as the program
// encodes them (DPI level 2 at byte 0x32).
DeviceConfigBlock FactoryConfigBlock();

// How long the mouse stays away between accepting 0x3A and showing its
// bootloader: long enough that the program's discovery loop has to wait.
inline constexpr uint32_t kDefaultBootloaderEntryMs = 800;

class NormalFirmware final : public SimFirmware {
 public:
  explicit NormalFirmware(uint32_t bootloaderEntryMs = kDefaultBootloaderEntryMs)
      : bootloaderEntryMs_(bootloaderEntryMs) {}
  // The mouse collection 0x0001/2 (a decoy for the program), then the
  // vendor collection 0xFF01/2.
  std::vector<SimCollection> Collections() const override;
  std::vector<uint8_t> HandleRequest(std::span<const uint8_t> request,
                                     SimMouseState& state) override;

 private:
  uint32_t bootloaderEntryMs_;
};

}  // namespace tr58k
