#include "settings/mouse_settings.h"

namespace tr58k {

void ResetToFactory(MouseSettings& settings) {
  // The path is where the record lives, not a setting: it survives the reset.
  MouseSettings factory;
  factory.profilePath = std::move(settings.profilePath);
  factory.activeLevel = 2;
  factory.restorePending = 1;
  settings = std::move(factory);
}

}  // namespace tr58k
