// For tests: what a simulated mouse was sent, and a mouse set up to hold
// given settings, in the terms the window's and the programs' tests check.
#pragma once

#include <cstdint>
#include <vector>

#include "device/config_commands.h"
#include "device/sim/simulated_mouse.h"
#include "settings/device_settings.h"
#include "settings/mouse_settings.h"

namespace tr58k {

// Makes the mouse hold `settings` as its configuration block, the active
// level included.
inline void SetMouseSettings(SimulatedMouse& mouse, const MouseSettings& settings) {
  MouseSettings withLevel = settings;
  withLevel.restorePending = 1;  // keep activeLevel in the block
  DeviceSettings device;
  ToDeviceSettings(withLevel, device);
  DeviceConfigBlock block{};
  EncodeConfigBlock(device, block);
  mouse.SetBlock(block);
}

// The command byte of every request the mouse received, in order.
inline std::vector<uint8_t> RequestCommands(const SimulatedMouse& mouse) {
  std::vector<uint8_t> out;
  for (const auto& request : mouse.Requests()) {
    if (request.size() > report::kCommand) out.push_back(request[report::kCommand]);
  }
  return out;
}

// The block of the n-th configuration write the mouse received; empty when
// there were fewer.
inline std::vector<uint8_t> WrittenBlock(const SimulatedMouse& mouse, size_t n) {
  size_t seen = 0;
  for (const auto& request : mouse.Requests()) {
    if (request.size() == kLongReportLength &&
        request[report::kCommand] == kCommandWriteConfiguration) {
      if (seen++ == n) {
        return std::vector<uint8_t>(request.begin() + report::kData,
                                    request.begin() + report::kData + kConfigBlockSize);
      }
    }
  }
  return {};
}

}  // namespace tr58k
