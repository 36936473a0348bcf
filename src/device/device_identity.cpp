// The firmware version as the windows show it, and recognising the mouse in
// plug and unplug notifications.
#include <cstdio>
#include <mutex>
#include <string>

#include "device/device_link.h"

namespace tr58k {

uint16_t ReadFirmwareVersion(const DeviceLink& link) {
  // The mouse's release number is read with its hexadecimal digits taken as
  // decimal ones (0x0026 is version 26); a letter digit ends the number.
  uint32_t versionNumber = 0;
  {
    std::lock_guard lock(link.mutex);
    versionNumber = link.versionNumber;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(versionNumber));
  uint32_t value = 0;
  for (const char* p = hex; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<uint32_t>(*p - '0');
  }
  return static_cast<uint16_t>(value & 0xFFFFu);
}

std::string FormatFirmwareVersion(uint16_t version) {
  char text[16];
  std::snprintf(text, sizeof text, "V%.2f", version / 100.0);
  return text;
}

bool PathNamesMouse(const std::string& path) {
  if (path.empty()) return false;
  auto holds = [&](const char* needle) { return path.find(needle, 1) != std::string::npos; };
  return (holds("4C95") || holds("4c95")) && holds("5837");
}

}  // namespace tr58k
