#include "vmtest/hidraw_holders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace tr58k {
namespace {

// The names in a folder, without "." and "..". Empty when it cannot be read.
std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return names;
}

bool FileHasLine(const std::string& path, const std::string& line) {
  std::ifstream in(path);
  std::string text;
  while (std::getline(in, text)) {
    if (text == line) return true;
  }
  return false;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<dev_t> HidrawNodeWithPhys(const std::string& sysfsRoot, const std::string& phys) {
  const std::string classDir = sysfsRoot + "/class/hidraw";
  for (const std::string& name : Entries(classDir)) {
    const std::string node = classDir + "/" + name;
    if (!FileHasLine(node + "/device/uevent", "HID_PHYS=" + phys)) continue;
    std::ifstream dev(node + "/dev");
    unsigned major = 0;
    unsigned minor = 0;
    char colon = 0;
    if (dev >> major >> colon >> minor && colon == ':') return makedev(major, minor);
  }
  return std::nullopt;
}

bool CharDeviceHeldOpen(const std::string& procRoot, dev_t node) {
  for (const std::string& pid : Entries(procRoot)) {
    if (!AllDigits(pid)) continue;
    const std::string fdDir = procRoot + "/" + pid + "/fd";
    for (const std::string& fd : Entries(fdDir)) {
      struct stat st {};
      // stat follows /proc's link to the open file, even one whose node has
      // been deleted since.
      if (::stat((fdDir + "/" + fd).c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
          st.st_rdev == node) {
        return true;
      }
    }
  }
  return false;
}

bool WaitUntilReleased(const std::string& procRoot, dev_t node, uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (!CharDeviceHeldOpen(procRoot, node)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace tr58k
