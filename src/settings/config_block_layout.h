// Byte offsets of the 1024-byte configuration block. The mouse's layout is
// irregular (levels at uneven strides, the level count between levels 3 and
// 4, the fourth colour far from the others); these offsets are exact.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/device_settings.h"

namespace tr58k::config_block {

inline constexpr size_t kProfileIndex = 0x00;    // 1 byte
inline constexpr size_t kName = 0x01;            // kDeviceNameSize bytes
inline constexpr size_t kBlockLength = 0x11;     // 2 bytes, little-endian
inline constexpr size_t kReserved = 0x13;        // 2 bytes
inline constexpr size_t kReportInterval = 0x15;  // 1 byte
inline constexpr size_t kAuxOption = 0x16;       // 1 byte
inline constexpr size_t kWheelBacklight = 0x1A;  // 1 byte
inline constexpr size_t kActiveLevel = 0x32;     // 1 byte, 0xFF for none
inline constexpr size_t kDpiLevelCount = 0x56;   // 1 byte

// Colour of each level: red, green, blue, alpha.
inline constexpr std::array<size_t, kDpiLevels> kColor = {0x25, 0x29, 0x2D, 0xC4};
inline constexpr size_t kColorSize = 4;

// Each level entry: attribute byte, then dpiX and dpiY, little-endian.
inline constexpr std::array<size_t, kDpiLevels> kLevel = {0x33, 0x3C, 0x51, 0x5B};
inline constexpr size_t kLevelAttribute = 0;  // relative to the entry
inline constexpr size_t kLevelDpiX = 1;
inline constexpr size_t kLevelDpiY = 3;
inline constexpr size_t kLevelSize = 5;

// A constant table the mouse expects in every written block; never read back.
inline constexpr size_t kFixedTable = 0x65;
inline constexpr std::array<uint8_t, 42> kFixedTableBytes = {
    0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x0F,  //
    0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x0F,  //
    0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x0F,  //
    0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x0F,  //
    0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x0F,  //
    0x09, 0xF1, 0x00, 0x00, 0x00, 0x00, 0x0F,  //
};

// Every written field must lie inside the block and clear of its neighbours.
static_assert(kName + kDeviceNameSize == kBlockLength);
static_assert(kBlockLength + 2 == kReserved && kReserved + 2 == kReportInterval);
static_assert(kColor[2] + kColorSize < kActiveLevel && kActiveLevel < kLevel[0]);
static_assert(kLevel[0] + kLevelSize <= kLevel[1] && kLevel[1] + kLevelSize <= kLevel[2]);
static_assert(kLevel[2] + kLevelSize == kDpiLevelCount && kDpiLevelCount < kLevel[3]);
static_assert(kLevel[3] + kLevelSize <= kFixedTable);
static_assert(kFixedTable + kFixedTableBytes.size() == 0x8F);
static_assert(kColor[3] + kColorSize <= kConfigBlockSize);

}  // namespace tr58k::config_block
