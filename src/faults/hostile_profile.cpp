#include "faults/hostile_profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/data_stream.h"
#include "settings/profile_serializer.h"

namespace tr58k::faults {

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;
constexpr const char* kOutsideName = "outside-target";
constexpr const char* kOutsideContent = "not a profile; must never be overwritten\n";
constexpr const char* kKeptName = "kept.txt";
constexpr const char* kKeptContent = "the user's own file\n";
constexpr uint64_t kHugeSize = uint64_t{4} << 30;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// A profile that is not the defaults, so that loading it would show.
MouseSettings Unreadable() {
  MouseSettings settings;
  settings.profileName = u"Profile";
  settings.dpiLevelCount = 2;
  settings.dpi[0] = DpiPair{750, 750};
  return settings;
}

}  // namespace

std::vector<HostileCase> AllHostileCases() {
  return {{"Folder", Hostile::kFolder},
          {"LinkOutside", Hostile::kLinkOutside},
          {"Fifo", Hostile::kFifo},
          {"HugeSparseFile", Hostile::kHugeSparseFile},
          {"Unreadable", Hostile::kUnreadable}};
}

std::string MakeHostile(Hostile kind, const std::string& home, const std::string& profilePath) {
  const fs::path path(profilePath);
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return "cannot make the profile folder: " + error.message();
  switch (kind) {
    case Hostile::kFolder:
      fs::create_directory(path, error);
      if (error || !WriteText(path / kKeptName, kKeptContent)) return "cannot make the folder";
      return {};
    case Hostile::kLinkOutside:
      if (!WriteText(fs::path(home) / kOutsideName, kOutsideContent))
        return "cannot write the target";
      fs::create_symlink(fs::path(home) / kOutsideName, path, error);
      return error ? "cannot make the link: " + error.message() : std::string();
    case Hostile::kFifo:
      return ::mkfifo(profilePath.c_str(), 0600) == 0 ? std::string() : "cannot make the FIFO";
    case Hostile::kHugeSparseFile:
      if (!WriteText(path, "") ||
          ::truncate(profilePath.c_str(), static_cast<off_t>(kHugeSize)) != 0) {
        return "cannot make the huge file";
      }
      return {};
    case Hostile::kUnreadable: {
      const std::vector<uint8_t> bytes = ProfileBytes(Unreadable());
      if (!WriteText(path, std::string(bytes.begin(), bytes.end())) ||
          ::chmod(profilePath.c_str(), 0) != 0) {
        return "cannot make the unreadable file";
      }
      return {};
    }
  }
  return "unknown case";
}

bool HandHomeToNobody(const std::string& home) {
  if (::lchown(home.c_str(), kNobody, kNobody) != 0) return false;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(home, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (::lchown(it->path().c_str(), kNobody, kNobody) != 0) return false;
  }
  return !error;
}

bool SaveMayReplace(Hostile kind) { return kind != Hostile::kFolder && kind != Hostile::kFifo; }

std::string CheckAfterSave(Hostile kind, const std::string& home, const std::string& profilePath,
                           const MouseSettings& saved) {
  const fs::path path(profilePath);
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  for (const auto& entry : fs::directory_iterator(path.parent_path(), error)) {
    if (entry.path().filename() != path.filename()) {
      return "a stray file in the profile folder: " + entry.path().filename().string();
    }
  }
  if (kind == Hostile::kLinkOutside && ReadText(fs::path(home) / kOutsideName) != kOutsideContent) {
    return "the save wrote through the link, outside the profile folder";
  }
  if (kind == Hostile::kFolder) {
    if (!fs::is_directory(status)) return "the folder was replaced";
    if (ReadText(path / kKeptName) != kKeptContent) return "the file in the folder was changed";
    return {};
  }
  if (kind == Hostile::kFifo) return fs::is_fifo(status) ? std::string() : "the FIFO was replaced";
  if (!fs::is_regular_file(status)) return "the profile path is not a regular file after the save";
  const std::string text = ReadText(path);
  const std::vector<uint8_t> expected = ProfileBytes(saved);
  if (std::vector<uint8_t>(text.begin(), text.end()) != expected) {
    return "the profile path holds " + std::to_string(text.size()) + " bytes, not the " +
           std::to_string(expected.size()) + " of the saved profile";
  }
  return {};
}

MouseSettings StartupDefaults(const std::string& profilePath) {
  MouseSettings settings;
  settings.profileIndex = 0;
  settings.profileName = u"Profile";
  settings.profilePath = profilePath;
  return settings;
}

}  // namespace tr58k::faults
