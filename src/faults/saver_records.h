// The two profiles the saver writes in turn: short and long, so that a file
// cut anywhere is told apart from both.
#pragma once

#include "settings/mouse_settings.h"

namespace tr58k::faults {

inline MouseSettings SaverRecord(int which) {
  MouseSettings settings;
  if (which == 0) {
    settings.profileName = u"Profile";
    settings.dpi = {DpiPair{400, 400}, DpiPair{800, 800}, DpiPair{1600, 1600}, DpiPair{3200, 3200}};
  } else {
    settings.profileName = std::u16string(300, u'z');
    settings.reportInterval = kInterval125Hz;
    settings.dpiLevelCount = 2;
    settings.dpi = {DpiPair{550, 550}, DpiPair{1100, 1100}, DpiPair{2200, 2200},
                    DpiPair{4400, 4400}};
  }
  return settings;
}

}  // namespace tr58k::faults
