// Tells whether an apply really wrote the profile file. The shared apply
// sequence saves without reporting failure (the window shows nothing), but a
// command line should warn when the settings were not kept, and --trace
// shows where the save happened among the mouse's exchanges.
#pragma once

#include <cstdint>
#include <string>

#include "settings/mouse_settings.h"

namespace tr58k {

// What tells one file from its replacement: the file's identity on its
// volume and its times (profile_save_check_posix.cpp / _windows.cpp).
struct FileIdentity {
  bool exists = false;
  bool regular = false;
  uint64_t volume = 0;
  uint64_t file = 0;
  int64_t modified = 0;
  int64_t changed = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of what stands at `path`; exists is false when nothing does.
FileIdentity IdentifyFile(const std::string& path);

class ProfileSaveCheck {
 public:
  // Notes the file's identity as it is now, before the apply.
  explicit ProfileSaveCheck(std::string path);

  // True when the file has been replaced or rewritten since construction and
  // now holds exactly the stored fields of `settings`. False for an empty
  // path, a missing or unchanged file, or other content.
  bool Saved(const MouseSettings& settings) const;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  FileIdentity before_;
};

// True when the fields the profile file stores are equal in both records.
bool SameStoredFields(const MouseSettings& a, const MouseSettings& b);

}  // namespace tr58k
