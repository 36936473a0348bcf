// The mouse's bootloader as the simulated mouse runs it: it shows only the
// vendor collection (product 0x5836) and takes the long 0xA0 requests of a
// firmware transfer: 0x02 (boot information), 0x03 (begin, with the block
// count), 0x06 (write one block, checked against its checksum), 0x01 (first
// block, echoed back), 0x07 (read a block back with the mouse's checksum)
// and 0x09 (finish). After 0x09 the mouse leaves and comes back: in normal
// mode with a new version number when every announced block arrived intact,
// otherwise in its bootloader again, as an interrupted update leaves it.
// Faults that belong to the bootloader itself are switches here; busy
// answers, failed calls and unplugging go through the mouse's exchange hook
// (the tests' FaultPlan).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "device/sim/sim_firmware.h"

namespace tr58k {

using SimBlock = std::array<uint8_t, 1024>;

struct SimBootloaderOptions {
  // Time away after 0x09 before the mouse shows again.
  uint32_t returnAfterFinishMs = 1200;
  // Version number shown after a complete update; 0: the one after the
  // current, read as decimal digits (0x0026 becomes 0x0027).
  uint16_t versionAfterUpdate = 0;
  // The boot information names another device (product 0x5837).
  bool wrongBootInfo = false;
  // This many SendFirstBlock answers repeat the block with one byte changed.
  uint32_t echoMismatches = 0;
  // The first `readBackWrongTimes` reads of this block number hand back one
  // data byte changed, or only a wrong checksum.
  std::optional<uint8_t> readBackWrongBlock = std::nullopt;
  uint32_t readBackWrongTimes = 1;
  bool readBackChecksumOnly = false;
  // Every read of this block number fails (status 2).
  std::optional<uint8_t> readBlockFailsBlock = std::nullopt;
};

// The next version number in the program's reading of it (hexadecimal
// digits taken as decimal): 0x0026 -> 0x0027, 0x0099 -> 0x0100.
uint16_t NextVersionNumber(uint16_t versionNumber);

class BootloaderFirmware final : public SimFirmware {
 public:
  explicit BootloaderFirmware(SimBootloaderOptions options = {}) : options_(options) {}

  std::vector<SimCollection> Collections() const override;
  std::vector<uint8_t> HandleRequest(std::span<const uint8_t> request,
                                     SimMouseState& state) override;

  // Observation, for tests. Blocks are keyed by their wire number (9 = first).
  std::map<uint8_t, SimBlock> StoredBlocks() const;
  std::optional<uint8_t> AnnouncedBlockCount() const;  // from the last 0x03
  uint32_t BeginValue() const;                          // from the last 0x03
  uint32_t WritesOf(uint8_t blockNumber) const;         // accepted writes since 0x03
  uint32_t RejectedWrites() const;                      // bad number or checksum
  uint32_t FinishCount() const;
  // True when the last 0x09 found every announced block stored.
  bool LastFinishComplete() const;

 private:
  std::vector<uint8_t> Handle(std::span<const uint8_t> request, SimMouseState& state);

  mutable std::mutex mutex_;  // the observers run on other threads than the mouse
  SimBootloaderOptions options_;
  std::optional<uint8_t> announcedCount_;
  uint32_t beginValue_ = 0;
  std::map<uint8_t, SimBlock> blocks_;
  std::map<uint8_t, uint32_t> writes_;
  std::map<uint8_t, uint32_t> reads_;
  uint32_t rejectedWrites_ = 0;
  uint32_t finishCount_ = 0;
  bool lastFinishComplete_ = false;
};

}  // namespace tr58k
