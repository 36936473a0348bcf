// Hostile things at the profile path, for the program-level tests of the
// command line and the window: each is made in a temporary per-user folder,
// and afterwards checked for what a later save may and may not have done.
#pragma once

#include <string>
#include <vector>

#include "faults/record_bytes.h"
#include "settings/mouse_settings.h"

namespace tr58k::faults {

enum class Hostile {
  kFolder,          // a folder (with a file in it) where the profile goes
  kLinkOutside,     // a symbolic link to a file outside the profile folder
  kFifo,            // a named pipe: opening it to read would block
  kHugeSparseFile,  // a file of 4 GiB (sparse)
  kUnreadable,      // a valid profile the user may not read (mode 000)
};

struct HostileCase {
  const char* name;
  Hostile kind;
};
std::vector<HostileCase> AllHostileCases();

// Makes the hostile thing at `profilePath` (its folders are created), and
// the file a link points at beside the program's folder under `home`.
// Returns an empty string, or what went wrong.
std::string MakeHostile(Hostile kind, const std::string& home, const std::string& profilePath);

// Gives the folder tree under `home` to the unprivileged user (uid/gid
// 65534) so that a child process dropped to that user can read and write
// where the program would. Returns false when it could not.
bool HandHomeToNobody(const std::string& home);

// After a later save of `saved`: the hostile thing is intact where a save
// must leave it alone (folder, FIFO, the link's target), replaced by exactly
// the new profile where the path may take a profile (link, huge file,
// unreadable file), and no stray file is left in the profile folder.
// Returns an empty string, or what is wrong.
std::string CheckAfterSave(Hostile kind, const std::string& home, const std::string& profilePath,
                           const MouseSettings& saved);

// Whether a save at the profile path should have succeeded.
bool SaveMayReplace(Hostile kind);

// The record a program start shows when the profile cannot be used: the
// constructed defaults, slot 0, the name "Profile", the path.
MouseSettings StartupDefaults(const std::string& profilePath);

}  // namespace tr58k::faults
