// The settings record the window edits, with its constructed and factory
// values.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tr58k {

// Report interval codes of `reportInterval`.
inline constexpr int16_t kInterval1000Hz = 1;
inline constexpr int16_t kInterval500Hz = 2;
inline constexpr int16_t kInterval250Hz = 4;
inline constexpr int16_t kInterval125Hz = 8;

inline constexpr int kDpiLevels = 4;
inline constexpr int kDpiMin = 50;
inline constexpr int kDpiMax = 16000;
inline constexpr int kDpiStep = 50;

struct DpiPair {
  int16_t dpiX = 0;
  int16_t dpiY = 0;
  friend bool operator==(const DpiPair&, const DpiPair&) = default;
};

// Colours are 0x00BBGGRR, red in the low byte.
using Color = uint32_t;

struct MouseSettings {
  std::string profilePath;  // UTF-8 file system path
  uint8_t profileIndex = 0;
  std::u16string profileName = u"profile";
  int32_t auxOption = 1;
  int16_t reportInterval = kInterval1000Hz;
  uint8_t wheelBacklight = 1;
  std::array<Color, kDpiLevels> levelColor = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  uint8_t dpiLevelCount = 4;
  uint8_t activeLevel = 0xFF;
  std::array<int32_t, kDpiLevels> levelAttribute = {0, 0, 0, 0};
  std::array<DpiPair, kDpiLevels> dpi = {DpiPair{400, 400}, DpiPair{800, 800},
                                         DpiPair{1600, 1600}, DpiPair{3200, 3200}};
  int32_t restorePending = 0;

  friend bool operator==(const MouseSettings&, const MouseSettings&) = default;
};

// Sets every field but profilePath to its factory value: name "profile",
// activeLevel 2, restorePending 1, the rest as constructed.
void ResetToFactory(MouseSettings& settings);

}  // namespace tr58k
