// Helpers shared by tr58kctl's tests: a temporary XDG_CONFIG_HOME, file
// bytes, and hex trace lines.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <cstdio>

#include "settings/profile_file.h"
#endif

namespace tr58k::testing_support {

#ifdef _WIN32
// Windows has no variable for the application-data folder: the tests use
// the real one, and so run only under Wine, whose prefix lives in the build
// folder (scripts/wine-run.sh). The program's folder is removed before and
// after each test.
class TempConfigHome {
 public:
  TempConfigHome() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr) {
      std::fprintf(stderr, "these tests write the application-data folder: run them under Wine\n");
      std::abort();
    }
    dir_ = GetAppDataFolder();
    Clear();
  }
  ~TempConfigHome() { Clear(); }
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string ProfilePath() const { return DefaultProfilePath(); }

 private:
  void Clear() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(dir_.data()), dir_.size()) + u8"\\ZEMO"), ignored);
  }
  std::string dir_;
};
#else
// A fresh folder that XDG_CONFIG_HOME points at while the object lives, so
// that no test ever touches the user's own profile.
class TempConfigHome {
 public:
  TempConfigHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tr58kctl-test-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) dir_ = made;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) previous_ = old;
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  }
  ~TempConfigHome() {
    if (previous_) {
      ::setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string ProfilePath() const { return dir_ + "/ZEMO/TR-58K/Profiles/DefaultPf.profile"; }

 private:
  std::string dir_;
  std::optional<std::string> previous_;
};
#endif

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The bytes of a trace line "set <length> <hex> ..." or "get ...".
inline std::vector<uint8_t> TraceBytes(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  size_t length = 0;
  in >> verb >> length;
  std::vector<uint8_t> bytes;
  std::string hex;
  while (in >> hex) bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
  return bytes;
}

inline bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace tr58k::testing_support
