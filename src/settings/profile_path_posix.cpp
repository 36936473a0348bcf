// Where the profile lives on Linux and how its folders are made.
#include "settings/profile_file.h"

#include <sys/stat.h>

#include <cstdlib>


namespace tr58k {
namespace {

constexpr const char* kProgramFolder = "ZEMO/TR-58K";
constexpr const char* kProfileRelativePath = "Profiles/DefaultPf.profile";

// A base folder from the environment counts only when it is absolute.
bool Usable(const char* value) { return value != nullptr && value[0] == '/'; }

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string JoinPath(const std::string& folder, const std::string& rest) {
  if (!folder.empty() && folder.back() == '/') return folder + rest;
  return folder + "/" + rest;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string GetAppDataFolder() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (Usable(configHome)) return WithoutTrailingSlashes(configHome);
  const char* home = std::getenv("HOME");
  if (Usable(home)) return JoinPath(WithoutTrailingSlashes(home), ".config");
  return {};
}

std::string DefaultProfilePath() {
  const std::string base = GetAppDataFolder();
  if (base.empty()) return {};
  return JoinPath(JoinPath(base, kProgramFolder), kProfileRelativePath);
}

void CreateFolderPath(const std::string& path) {
  if (path.empty() || Exists(path)) return;

  // A last component with a '.' is taken for a file name and cut off.
  std::string folder = path;
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  }
  if (folder.empty()) return;

  // Per-user settings: folders we create are private to the user.
  constexpr mode_t kFolderMode = 0700;
  for (size_t pos = folder.find('/'); pos != std::string::npos; pos = folder.find('/', pos + 1)) {
    const std::string prefix = folder.substr(0, pos);
    if (!prefix.empty() && !Exists(prefix)) ::mkdir(prefix.c_str(), kFolderMode);
  }
  ::mkdir(folder.c_str(), kFolderMode);
}

}  // namespace tr58k
