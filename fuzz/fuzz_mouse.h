// A mouse whose every answer is decided by the fuzzer's bytes. It keeps the
// simulated mouse's firmware models (normal mode and bootloader) to know what
// a sensible answer would be, so that the program gets deep into an update;
// the input then decides, exchange by exchange, whether that answer comes,
// late, changed, replaced by arbitrary bytes, or not at all.
//
// A zero byte always means "the sensible thing": an input of zeros is an
// update that goes through, and the fuzzer mutates away from it.
//
// The first byte the mouse takes sets whole-device habits (the flags below:
// it never shows its bootloader, or never comes back); after that every look
// at the bus, open, request and read takes its own bytes.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/hid_backend.h"
#include "device/sim/sim_firmware.h"

namespace tr58k {

// What the program last saw of the mouse, to judge a command's result.
struct FuzzExchangeLog {
  uint32_t setError = hid_error::kNone;  // of the last SetFeature
  uint32_t getError = hid_error::kNone;  // of the last GetFeature
  std::vector<uint8_t> answer;           // bytes the last good GetFeature handed back
  size_t sets = 0;
  size_t gets = 0;
  // Block numbers of the WriteBlock requests that were accepted by the bus.
  std::set<uint8_t> writtenBlocks;
};

// Habits of the whole device, from its first byte.
inline constexpr uint8_t kNoBootloaderAfterEntry = 1;  // accepts 0x3A, then never shows up
inline constexpr uint8_t kNoReturnAfterFinish = 2;     // finishes, then never shows up

class FuzzMouse final : public HidBackend {
 public:
  FuzzMouse(FuzzedDataProvider& input, MouseMode startMode);
  ~FuzzMouse() override;

  std::vector<HidInterfaceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override;
  std::unique_ptr<HidMonitor> CreateMonitor() override { return nullptr; }

  uint32_t Set(const uint8_t* data, size_t length);
  uint32_t Get(uint8_t* data, size_t length);

  MouseMode Mode() const { return mode_; }
  // The product id of the interface last opened; 0 before any.
  uint16_t OpenedProduct() const { return openedProduct_; }
  const FuzzExchangeLog& Log() const { return log_; }

 private:
  uint32_t NextError();

  FuzzedDataProvider& input_;
  MouseMode mode_;
  SimMouseState state_;
  std::unique_ptr<SimFirmware> normal_;
  std::unique_ptr<SimFirmware> bootloader_;
  std::vector<uint8_t> pendingAnswer_;
  uint16_t openedProduct_ = 0;
  int awayFor_ = 0;  // enumerations still to come up empty
  uint8_t habits_ = 0;
  bool gone_ = false;  // left the bus for good
  FuzzExchangeLog log_;
};

}  // namespace tr58k
