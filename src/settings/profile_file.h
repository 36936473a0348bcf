// The per-user profile file DefaultPf.profile: where it lives, and saving and
// loading the settings record through it.
#pragma once

#include <string>

#include "settings/mouse_settings.h"

namespace tr58k {

// Paths are UTF-8 on every platform (converted to UTF-16 at each Win32 call).

// The per-user base folder: $XDG_CONFIG_HOME, else $HOME/.config; on Windows
// the roaming application-data folder (CSIDL_APPDATA). Returns an empty
// string when there is no usable absolute folder.
std::string GetAppDataFolder();

// GetAppDataFolder() + "/ZEMO/TR-58K/Profiles/DefaultPf.profile" (on Windows
// "\ZEMO\TR-58K\Profiles\DefaultPf.profile"), or empty when there is no
// app data folder (the program then runs without a profile).
std::string DefaultProfilePath();

// Creates the folders of `path` (the file name cut off when the last
// component has a '.'; on Windows both '\' and '/' separate). Failures are
// ignored.
void CreateFolderPath(const std::string& path);

// Writes the record atomically (temporary file, flush, rename). Returns true
// when the new file is in place; on false the old file is untouched. Callers
// in the window ignore the result; nothing is shown.
bool SaveProfile(const MouseSettings& settings, const std::string& path);

// Loads the file over the record: all stored fields or none. Returns true
// when the record was updated; false (record untouched) for a missing,
// unreadable, oversized, foreign or truncated file, or an empty path.
bool LoadProfile(MouseSettings& settings, const std::string& path);

}  // namespace tr58k
