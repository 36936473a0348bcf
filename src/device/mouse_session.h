// The two things every front end does with the mouse: read its settings over
// the record (start-up and arrival), and apply the record to it (apply and
// restore). The window and tr58kctl share them so they cannot drift apart.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "device/device_link.h"
#include "settings/mouse_settings.h"

namespace tr58k {

struct RefreshResult {
  bool found = false;           // the mouse was opened (the link stays open)
  bool configRead = false;      // its configuration was read over the record
  uint16_t firmwareVersion = 0; // ReadFirmwareVersion() when found
  // Not found, but a node of the mouse exists that this user may not open
  // (no udev rule yet): the front ends say so and how to fix it.
  bool accessDenied = false;
  std::string deniedPath;
};

// Opens the mouse (product 0x5837); when found, reads its configuration and
// copies it over `settings` with FromDeviceSettings. A failed read leaves the
// record as it was. Not found: the link is closed, the record untouched.
RefreshResult RefreshSettingsFromMouse(DeviceLink& link, MouseSettings& settings);

enum class ApplyOutcome {
  kMouseNotFound,    // nothing read, nothing saved, link closed
  kSlotQueryFailed,  // profile saved, nothing written to the mouse
  kWriteFailed,      // profile saved, configuration not accepted
  kApplied,          // written and selected (the select's result is not judged)
};

// The apply sequence: open the mouse; when found, `readControls` fills the
// record (may be empty), the profile is saved to settings.profilePath (when
// set), then the slot query, the configuration write and the profile select
// run as one unit on the link. `settings` is the caller's record; the caller
// keeps other threads from writing it meanwhile.
ApplyOutcome ApplySettingsToMouse(DeviceLink& link, MouseSettings& settings,
                                  const std::function<void(MouseSettings&)>& readControls);

}  // namespace tr58k
