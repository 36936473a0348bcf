// Where the profile lives on Windows and how its folders are made: the
// roaming application-data folder, and CreateDirectoryW for each missing
// folder from the top down.
#include "settings/profile_file.h"

#include <windows.h>
#include <shlobj.h>

#include "settings/wide_text_windows.h"

namespace tr58k {
namespace {

constexpr const char* kProfileUnderAppData = "\\ZEMO\\TR-58K\\Profiles\\DefaultPf.profile";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether anything (file or folder) stands at `path`.
bool Exists(const std::string& path) {
  return ::GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string GetAppDataFolder() {
  wchar_t buffer[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) return {};
  std::string folder = WideToUtf8(buffer);
  while (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
  return folder;
}

std::string DefaultProfilePath() {
  const std::string base = GetAppDataFolder();
  if (base.empty()) return {};
  return base + kProfileUnderAppData;
}

void CreateFolderPath(const std::string& path) {
  if (path.empty() || Exists(path)) return;

  size_t lastSeparator = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsSeparator(path[i])) lastSeparator = i;
  }
  std::string folder = path;
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && (lastSeparator == std::string::npos || dot > lastSeparator)) {
    folder = lastSeparator == std::string::npos ? std::string() : path.substr(0, lastSeparator);
  }
  if (folder.empty()) return;

  // "C:" and "\\server" prefixes exist or cannot be made: CreateDirectoryW
  // simply fails on them, which is ignored like every other failure.
  for (size_t i = 0; i < folder.size(); ++i) {
    if (!IsSeparator(folder[i]) || i == 0) continue;
    const std::string prefix = folder.substr(0, i);
    if (!Exists(prefix)) ::CreateDirectoryW(Utf8ToWide(prefix).c_str(), nullptr);
  }
  ::CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr);
}

}  // namespace tr58k
