#include "faults/rerun_as_nobody.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

extern char** environ;

namespace tr58k::faults {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
// The sanitizers' option variables; each may name a suppressions file.
constexpr const char* kSanitizerOptions[] = {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS",
                                             "TSAN_OPTIONS"};

bool IsSeparator(char c) { return c == ':' || c == ' ' || c == ',' || c == '\t' || c == '\n'; }

// The options split at separators outside quotes, quotes kept.
std::vector<std::string> SplitOptions(const std::string& options) {
  std::vector<std::string> parts;
  std::string part;
  char quote = 0;
  for (char c : options) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (IsSeparator(c)) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
      continue;
    }
    part += c;
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::optional<std::string> OptionsWithCopiedSuppressions(const std::string& options,
                                                         const std::string& folder) {
  static const std::string kKey = "suppressions=";
  std::string result;
  int copies = 0;
  for (const std::string& part : SplitOptions(options)) {
    std::string option = part;
    if (part.rfind(kKey, 0) == 0) {
      const fs::path from = Unquoted(part.substr(kKey.size()));
      // Numbered: two variables may name files of the same name.
      const fs::path to =
          fs::path(folder) / (std::to_string(++copies) + "-" + from.filename().string());
      std::error_code error;
      fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
      if (error) return std::nullopt;
      fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write |
                              fs::perms::group_read | fs::perms::others_read, error);
      if (error) return std::nullopt;
      option = kKey + "'" + to.string() + "'";
    }
    if (!result.empty()) result += ':';
    result += option;
  }
  return result;
}

bool RerunAsNobody(const std::string& filter) {
  std::string pattern = (fs::temp_directory_path() / "tr58k-nobody-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("RerunAsNobody: mkdtemp");
    return false;
  }
  const std::string folder = pattern;
  // Everything is made before the fork: after it only exec-safe calls.
  std::vector<std::string> variables;
  bool prepared = ::chmod(folder.c_str(), 0755) == 0;
  for (char** entry = environ; prepared && *entry; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (name == "HOME") continue;
    bool sanitizer = false;
    for (const char* option : kSanitizerOptions) sanitizer = sanitizer || name == option;
    if (!sanitizer) {
      variables.push_back(variable);
      continue;
    }
    const std::optional<std::string> copied =
        OptionsWithCopiedSuppressions(variable.substr(name.size() + 1), folder);
    if (!copied) {
      std::fprintf(stderr, "RerunAsNobody: cannot copy the suppressions of %s\n", name.c_str());
      prepared = false;
    } else {
      variables.push_back(name + "=" + *copied);
    }
  }
  variables.push_back("HOME=" + folder);
  int status = -1;
  if (prepared) {
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    std::string filterArgument = "--gtest_filter=" + filter;
    char* argv[] = {self.data(), filterArgument.data(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
      if (::chdir(folder.c_str()) != 0) ::_exit(4);
      // /proc/self/exe reaches the program even where its folder cannot.
      ::execve(self.c_str(), argv, envp.data());
      ::_exit(5);
    }
    if (pid > 0) ::waitpid(pid, &status, 0);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return prepared && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tr58k::faults
