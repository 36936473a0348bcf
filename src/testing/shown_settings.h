// For the main window's tests on any host: what the controls show for a
// record, and the two records the tests start from.
#pragma once

#include <array>

#include "settings/mouse_settings.h"
#include "settings/settings_rules.h"

namespace tr58k {

struct ShownSettings {
  int levelIndex;
  int rateIndex;
  bool backlight;
  std::array<const char*, 4> edits;
  std::array<int, 4> sliders;
};

inline constexpr ShownSettings kShownDefaults = {3, 0, true, {"400", "800", "1600", "3200"}, {8, 16, 32, 64}};
inline constexpr ShownSettings kShownCustom = {1, 2, false, {"450", "900", "5000", "12000"}, {9, 18, 100, 240}};

// Two levels at 250 Hz, backlight off; shows as kShownCustom.
inline MouseSettings CustomSettings() {
  MouseSettings s;
  s.profileName = u"Profile";
  s.dpiLevelCount = 2;
  s.reportInterval = kInterval250Hz;
  s.wheelBacklight = 0;
  s.dpi = {DpiPair{450, 450}, DpiPair{900, 900}, DpiPair{5000, 5000}, DpiPair{12000, 12000}};
  return s;
}

}  // namespace tr58k
