#include "cli/profile_save_check.h"

#include "settings/profile_file.h"

namespace tr58k {
ProfileSaveCheck::ProfileSaveCheck(std::string path) : path_(std::move(path)) {
  if (!path_.empty()) before_ = IdentifyFile(path_);
}

bool ProfileSaveCheck::Saved(const MouseSettings& settings) const {
  if (path_.empty()) return false;
  const FileIdentity now = IdentifyFile(path_);
  if (!now.exists || !now.regular) return false;
  if (before_.exists && now == before_) return false;  // the very file that was there, untouched
  MouseSettings stored;
  return LoadProfile(stored, path_) && SameStoredFields(stored, settings);
}

bool SameStoredFields(const MouseSettings& a, const MouseSettings& b) {
  for (int k = 0; k < 3; ++k) {
    if (a.levelAttribute[k] != b.levelAttribute[k]) return false;
  }
  return a.profileName == b.profileName && a.auxOption == b.auxOption &&
         a.profileIndex == b.profileIndex && a.wheelBacklight == b.wheelBacklight &&
         a.reportInterval == b.reportInterval && a.dpiLevelCount == b.dpiLevelCount &&
         a.activeLevel == b.activeLevel && a.dpi == b.dpi;
}

}  // namespace tr58k
