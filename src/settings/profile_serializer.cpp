#include "settings/profile_serializer.h"

namespace tr58k {
namespace {

// The three stored attributes: the fourth level's is not in the file.
constexpr int kStoredAttributes = 3;

}  // namespace

bool SerializeProfile(DataStream& stream, const MouseSettings& settings) {
  stream.Reserve(4);
  stream << static_cast<uint8_t>(0xFA) << static_cast<uint8_t>(0x15) << static_cast<uint8_t>(0x34)
         << static_cast<uint8_t>(0x01);
  stream << settings.profileName;
  stream << settings.auxOption << settings.profileIndex << settings.wheelBacklight
         << settings.reportInterval << settings.dpiLevelCount << settings.activeLevel;
  for (int i = 0; i < kDpiLevels; ++i) {
    if (i < kStoredAttributes) stream << settings.levelAttribute[i];
    stream << settings.dpi[i].dpiX << settings.dpi[i].dpiY;
  }
  return stream.ok();
}

bool DeserializeProfile(DataStream& stream, MouseSettings& settings) {
  uint32_t magic = 0;
  stream >> magic;
  if (!stream.ok() || magic != kProfileMagic) return false;

  // Read into a copy so a short file cannot leave a half-loaded record.
  MouseSettings loaded = settings;
  stream >> loaded.profileName;
  stream >> loaded.auxOption >> loaded.profileIndex >> loaded.wheelBacklight >>
      loaded.reportInterval >> loaded.dpiLevelCount >> loaded.activeLevel;
  for (int i = 0; i < kDpiLevels; ++i) {
    if (i < kStoredAttributes) stream >> loaded.levelAttribute[i];
    stream >> loaded.dpi[i].dpiX >> loaded.dpi[i].dpiY;
  }
  if (!stream.ok()) return false;
  settings = std::move(loaded);
  return true;
}

}  // namespace tr58k
