// The firmware side of the simulated mouse: what one mode of the mouse shows
// on the bus and how it answers requests. The mouse holds one firmware per
// mode (normal firmware, bootloader) and hands each request to the firmware
// of the mode it is in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "settings/device_settings.h"

namespace tr58k {

// The mouse's identity on the bus: product 0x5837 in normal mode, 0x5836 in
// its bootloader.
enum class MouseMode : uint8_t { kNormal, kBootloader };

uint16_t ProductIdFor(MouseMode mode);

// The status the simulated firmware answers a request it does not take
// (unknown command, wrong report id or length, profile number above 4).
inline constexpr uint8_t kSimStatusRejected = 2;

// One top-level collection that a mode shows as its own HID interface.
struct SimCollection {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
};

// The mouse leaves the bus and comes back in `mode` after `absentMs` of
// clock time (for example on entering or leaving the bootloader).
struct SimModeChange {
  MouseMode mode = MouseMode::kNormal;
  uint32_t absentMs = 0;
};

// What a firmware may read and change of the mouse while it handles one
// request; it persists across modes and plugging.
struct SimMouseState {
  DeviceConfigBlock block{};
  uint8_t selectedSlot = 0;
  uint16_t versionNumber = 0;
  // Set by a firmware to make the mouse re-enumerate once the response to
  // the current request has been read (the mouse answers, then leaves).
  std::optional<SimModeChange> afterResponse;
};

class SimFirmware {
 public:
  virtual ~SimFirmware() = default;
  // The collections this mode shows, in enumeration order. Exactly one of
  // them must be the vendor collection 0xFF01/2; only that one takes feature
  // reports, the others fail every exchange.
  virtual std::vector<SimCollection> Collections() const = 0;
  // Handles one request (a feature report set on the vendor collection,
  // byte 0 the report id) and returns the response that the following gets
  // read (byte 0 is replaced by the report id each get asks for). Called with
  // the mouse's lock held; must not call back into the mouse.
  virtual std::vector<uint8_t> HandleRequest(std::span<const uint8_t> request,
                                             SimMouseState& state) = 0;
};

}  // namespace tr58k
