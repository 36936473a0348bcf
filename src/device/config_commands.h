// The mouse's configuration commands: read the block (0x07), the slot query
// (0x03), write the block (0x08) and select the profile (0x04). Each returns
// 1 on success and 2 on failure, and runs as one unit on the link.
#pragma once

#include <cstdint>

#include "device/device_link.h"
#include "settings/device_settings.h"

namespace tr58k {

inline constexpr uint8_t kCommandReadConfiguration = 0x07;
inline constexpr uint8_t kCommandReadProfileSlot = 0x03;
inline constexpr uint8_t kCommandWriteConfiguration = 0x08;
inline constexpr uint8_t kCommandSelectProfile = 0x04;

inline constexpr uint8_t kCommandOk = 1;
inline constexpr uint8_t kCommandFailed = 2;

// Returns 1 with `out` filled from the mouse's block, 2 with `out` untouched.
uint8_t ReadConfiguration(DeviceLink& link, DeviceSettings& out);
// Returns 1 with the slot (0..4) in `out`, 2 with `out` untouched.
uint8_t ReadProfileSlot(DeviceLink& link, uint8_t& out);
// Sends the block built from `settings` under `profile`. Returns 1 when the
// mouse answered; 2 when the send or the read failed, or the answer was still
// "busy" after the whole busy wait. Other status values are not judged.
uint8_t WriteConfiguration(DeviceLink& link, const DeviceSettings& settings, uint8_t profile);
// Makes `profile` the mouse's current profile. Returns 1 or 2 as the write.
uint8_t SelectProfile(DeviceLink& link, uint8_t profile);

}  // namespace tr58k
