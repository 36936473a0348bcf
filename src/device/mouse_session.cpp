#include "device/mouse_session.h"

#include "device/config_commands.h"
#include "settings/device_settings.h"
#include "settings/profile_file.h"

namespace tr58k {

RefreshResult RefreshSettingsFromMouse(DeviceLink& link, MouseSettings& settings) {
  RefreshResult result;
  auto lock = link.Lock();
  if (OpenHidDevice(link, kMouseProductId) != 1) {
    result.accessDenied = link.lastOpenError == hid_error::kAccessDenied;
    if (result.accessDenied) result.deniedPath = link.lastOpenErrorPath;
    return result;
  }
  result.found = true;
  DeviceSettings fromMouse;
  if (ReadConfiguration(link, fromMouse) == kCommandOk) {
    FromDeviceSettings(fromMouse, settings);
    result.configRead = true;
  }
  result.firmwareVersion = ReadFirmwareVersion(link);
  return result;
}

ApplyOutcome ApplySettingsToMouse(DeviceLink& link, MouseSettings& settings,
                                  const std::function<void(MouseSettings&)>& readControls) {
  if (OpenHidDevice(link, kMouseProductId) != 1) {
    CloseHidDevice(link);
    return ApplyOutcome::kMouseNotFound;
  }
  // The controls are read without holding the link: the window's thread
  // answers that request and must never wait on the link itself.
  if (readControls) readControls(settings);
  if (!settings.profilePath.empty()) SaveProfile(settings, settings.profilePath);

  auto lock = link.Lock();
  uint8_t slot = 0;
  if (ReadProfileSlot(link, slot) != kCommandOk) return ApplyOutcome::kSlotQueryFailed;
  DeviceSettings toMouse;
  ToDeviceSettings(settings, toMouse);
  if (WriteConfiguration(link, toMouse, settings.profileIndex) != kCommandOk) {
    return ApplyOutcome::kWriteFailed;
  }
  SelectProfile(link, settings.profileIndex);
  return ApplyOutcome::kApplied;
}

}  // namespace tr58k
