// The device-side form of the settings and the 1024-byte configuration block
// that the read and write commands carry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/mouse_settings.h"

namespace tr58k {

inline constexpr size_t kConfigBlockSize = 1024;
using DeviceConfigBlock = std::array<uint8_t, kConfigBlockSize>;

inline constexpr size_t kDeviceNameSize = 16;

struct DeviceLevel {
  uint8_t attribute = 0;
  uint16_t dpiX = 0;
  uint16_t dpiY = 0;
  friend bool operator==(const DeviceLevel&, const DeviceLevel&) = default;
};

struct DeviceColor {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const DeviceColor&, const DeviceColor&) = default;
};

struct DeviceSettings {
  uint8_t profileIndex = 0;
  std::array<uint8_t, kDeviceNameSize> name{};  // 8-bit code page, zero-terminated
  uint16_t blockLength = 0;
  uint8_t auxOption = 0;
  uint16_t reserved = 0;
  uint8_t reportInterval = 0;
  uint8_t wheelBacklight = 0;
  uint8_t dpiLevelCount = 0;
  uint8_t activeLevel = 0;
  std::array<DeviceLevel, kDpiLevels> levels{};
  std::array<DeviceColor, kDpiLevels> colors{};
  friend bool operator==(const DeviceSettings&, const DeviceSettings&) = default;
};

void ToDeviceSettings(const MouseSettings& in, DeviceSettings& out);
// Copies back only the fields the mouse is authoritative for: profileIndex,
// wheelBacklight, reportInterval, dpiLevelCount, activeLevel, levelAttribute
// and dpi. The path, name, auxOption, colours and restorePending stay.
void FromDeviceSettings(const DeviceSettings& in, MouseSettings& out);
// Writes the whole block: every byte outside the fields and the fixed table
// is set to 0, whatever `block` held before.
void EncodeConfigBlock(const DeviceSettings& in, DeviceConfigBlock& block);
// Leaves `out.name` as it was.
void DecodeConfigBlock(const DeviceConfigBlock& block, DeviceSettings& out);

}  // namespace tr58k
