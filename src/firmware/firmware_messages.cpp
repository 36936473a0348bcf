#include "firmware/firmware_messages.h"

#include <cstdio>

namespace tr58k {

namespace {

std::string WithVersion(const char* format, uint16_t version) {
  char text[128];
  std::snprintf(text, sizeof text, format, version / 100.0);
  return text;
}

}  // namespace

std::string UpdateStartText(uint16_t version) { return WithVersion("固件V%.2f 开始更新", version); }

std::string UpdateDoneText(uint16_t version) {
  return WithVersion("更新完成，鼠标当前固件版本号：V%.2f", version);
}

}  // namespace tr58k
