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

// The formats are checked against the originals by msgfmt --check when the
// catalogues are built: one %.2f each.
std::string UpdateStartText(uint16_t version) {
  // TRANSLATORS: the firmware version the mouse has before the update, as
  // V%.2f (V0.26).
  return WithVersion(Tr("固件V%.2f 开始更新"), version);
}

std::string UpdateDoneText(uint16_t version) {
  return WithVersion(Tr("更新完成，鼠标当前固件版本号：V%.2f"), version);
}

}  // namespace tr58k
