#include "cli/profile_save_check.h"

#include "settings/profile_file.h"

namespace tr58k {
namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

ProfileSaveCheck::ProfileSaveCheck(std::string path) : path_(std::move(path)) {
  existed_ = !path_.empty() && ::stat(path_.c_str(), &before_) == 0;
}

bool ProfileSaveCheck::Saved(const MouseSettings& settings) const {
  if (path_.empty()) return false;
  struct stat now {};
  if (::stat(path_.c_str(), &now) != 0 || !S_ISREG(now.st_mode)) return false;
  if (existed_ && now.st_ino == before_.st_ino && now.st_dev == before_.st_dev &&
      SameTime(now.st_mtim, before_.st_mtim) && SameTime(now.st_ctim, before_.st_ctim)) {
    return false;  // the very file that was there before, untouched
  }
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
