#include "settings/device_settings.h"

#include <algorithm>
#include <string>

#include "settings/code_page.h"
#include "settings/config_block_layout.h"

namespace tr58k {
namespace {

namespace cb = config_block;

void Put16(DeviceConfigBlock& block, size_t offset, uint16_t value) {
  block[offset] = static_cast<uint8_t>(value & 0xFF);
  block[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t Get16(const DeviceConfigBlock& block, size_t offset) {
  return static_cast<uint16_t>(block[offset] | (block[offset + 1] << 8));
}

}  // namespace

void ToDeviceSettings(const MouseSettings& in, DeviceSettings& out) {
  out.profileIndex = in.profileIndex;
  // One byte is kept for the terminating zero.
  const std::string name = ToNameCodePage(in.profileName, kDeviceNameSize - 1);
  out.name.fill(0);
  std::copy(name.begin(), name.end(), out.name.begin());
  out.blockLength = static_cast<uint16_t>(kConfigBlockSize);
  out.auxOption = static_cast<uint8_t>(in.auxOption & 0xFF);
  out.reserved = 0;
  out.reportInterval = static_cast<uint8_t>(in.reportInterval & 0xFF);
  out.wheelBacklight = in.wheelBacklight;
  out.dpiLevelCount = in.dpiLevelCount;
  // The mouse only switches level when a factory restore asks it to.
  out.activeLevel = in.restorePending == 1 ? in.activeLevel : 0xFF;
  for (int i = 0; i < kDpiLevels; ++i) {
    out.levels[i].attribute = static_cast<uint8_t>(in.levelAttribute[i] & 0xFF);
    out.levels[i].dpiX = static_cast<uint16_t>(in.dpi[i].dpiX);
    out.levels[i].dpiY = static_cast<uint16_t>(in.dpi[i].dpiY);
    const Color c = in.levelColor[i];
    out.colors[i] = DeviceColor{static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                                static_cast<uint8_t>((c >> 16) & 0xFF), 1};
  }
}

void FromDeviceSettings(const DeviceSettings& in, MouseSettings& out) {
  // The name, option, colours and restore flag are the program's own: the
  // mouse's copy of them is not taken back.
  out.profileIndex = in.profileIndex;
  out.wheelBacklight = in.wheelBacklight;
  out.reportInterval = static_cast<int16_t>(in.reportInterval);
  out.dpiLevelCount = in.dpiLevelCount;
  out.activeLevel = in.activeLevel;
  for (int i = 0; i < kDpiLevels; ++i) {
    out.levelAttribute[i] = static_cast<int32_t>(in.levels[i].attribute);
    out.dpi[i].dpiX = static_cast<int16_t>(in.levels[i].dpiX);
    out.dpi[i].dpiY = static_cast<int16_t>(in.levels[i].dpiY);
  }
}

void EncodeConfigBlock(const DeviceSettings& in, DeviceConfigBlock& block) {
  block.fill(0);
  block[cb::kProfileIndex] = in.profileIndex;
  std::copy(in.name.begin(), in.name.end(), block.begin() + cb::kName);
  Put16(block, cb::kBlockLength, in.blockLength);
  Put16(block, cb::kReserved, in.reserved);
  block[cb::kReportInterval] = in.reportInterval;
  block[cb::kAuxOption] = in.auxOption;
  block[cb::kWheelBacklight] = in.wheelBacklight;
  block[cb::kActiveLevel] = in.activeLevel;
  block[cb::kDpiLevelCount] = in.dpiLevelCount;
  for (int i = 0; i < kDpiLevels; ++i) {
    const size_t level = cb::kLevel[i];
    block[level + cb::kLevelAttribute] = in.levels[i].attribute;
    Put16(block, level + cb::kLevelDpiX, in.levels[i].dpiX);
    Put16(block, level + cb::kLevelDpiY, in.levels[i].dpiY);
    const size_t color = cb::kColor[i];
    block[color] = in.colors[i].r;
    block[color + 1] = in.colors[i].g;
    block[color + 2] = in.colors[i].b;
    block[color + 3] = in.colors[i].a;
  }
  std::copy(cb::kFixedTableBytes.begin(), cb::kFixedTableBytes.end(),
            block.begin() + cb::kFixedTable);
}

void DecodeConfigBlock(const DeviceConfigBlock& block, DeviceSettings& out) {
  out.profileIndex = block[cb::kProfileIndex];
  out.blockLength = Get16(block, cb::kBlockLength);
  out.reserved = Get16(block, cb::kReserved);
  out.reportInterval = block[cb::kReportInterval];
  out.auxOption = block[cb::kAuxOption];
  out.wheelBacklight = block[cb::kWheelBacklight];
  out.activeLevel = block[cb::kActiveLevel];
  out.dpiLevelCount = block[cb::kDpiLevelCount];
  for (int i = 0; i < kDpiLevels; ++i) {
    const size_t level = cb::kLevel[i];
    out.levels[i].attribute = block[level + cb::kLevelAttribute];
    out.levels[i].dpiX = Get16(block, level + cb::kLevelDpiX);
    out.levels[i].dpiY = Get16(block, level + cb::kLevelDpiY);
    const size_t color = cb::kColor[i];
    out.colors[i] = DeviceColor{block[color], block[color + 1], block[color + 2], block[color + 3]};
  }
}

}  // namespace tr58k
