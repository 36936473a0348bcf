// The run as the unprivileged user gets what it needs even when the tests
// were started from a folder that user cannot enter (a private home).
#include "faults/rerun_as_nobody.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tr58k::faults {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tr58k-rerun-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(RerunAsNobody, NamesCopiesOfTheSuppressionFilesAndKeepsTheOtherOptions) {
  TempFolder from, to;
  ASSERT_FALSE(from.path().empty());
  ASSERT_FALSE(to.path().empty());
  const fs::path plain = from.path() / "lsan.supp";
  const fs::path spaced = from.path() / "项目 tr58k" / "ubsan.supp";
  fs::create_directories(spaced.parent_path());
  std::ofstream(plain) << "leak:plain\n";
  std::ofstream(spaced) << "vptr:spaced\n";
  const std::string copies = to.path().string();
  struct Case {
    std::string options;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"detect_leaks=1", "detect_leaks=1"},
      {"suppressions=" + plain.string() + ":print_suppressions=0",
       "suppressions='" + copies + "/1-lsan.supp':print_suppressions=0"},
      {"halt_on_error=1 suppressions='" + spaced.string() + "'",
       "halt_on_error=1:suppressions='" + copies + "/1-ubsan.supp'"},
      {"suppressions=\"" + spaced.string() + "\",suppressions=" + plain.string(),
       "suppressions='" + copies + "/1-ubsan.supp':suppressions='" + copies + "/2-lsan.supp'"},
      {"suppressions=" + (from.path() / "missing.supp").string(), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    EXPECT_EQ(OptionsWithCopiedSuppressions(c.options, copies), c.expected);
  }
  EXPECT_EQ(ReadText(to.path() / "2-lsan.supp"), "leak:plain\n");
  EXPECT_EQ(ReadText(to.path() / "1-ubsan.supp"), "vptr:spaced\n");
  struct stat st {};
  ASSERT_EQ(::stat((to.path() / "1-ubsan.supp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// The run as nobody, its suppressions named in a folder only root may
// enter, as when the checkout lies in root's home: the copy reaches the
// run (a sanitizer would stop at once without it), which checks it below.
TEST(RerunAsNobody, TheRunReachesSuppressionsNamedInAPrivateFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can become the unprivileged user";
  TempFolder home;
  ASSERT_FALSE(home.path().empty());
  ASSERT_EQ(::chmod(home.path().c_str(), 0700), 0);
  const fs::path suppressions = home.path() / "lsan.supp";
  std::ofstream(suppressions) << "leak:tr58k_rerun_probe\n";
  const char* old = std::getenv("LSAN_OPTIONS");
  const std::string saved = old ? old : "";
  ::setenv("LSAN_OPTIONS", ("suppressions='" + suppressions.string() + "'").c_str(), 1);
  EXPECT_TRUE(RerunAsNobody("RerunAsNobodyProbe.*")) << "the run as nobody failed (see above)";
  if (old) {
    ::setenv("LSAN_OPTIONS", saved.c_str(), 1);
  } else {
    ::unsetenv("LSAN_OPTIONS");
  }
}

// The other half of the test above, in the run as nobody.
TEST(RerunAsNobodyProbe, ReadsItsSuppressionsAndItsFolder) {
  if (::geteuid() != 65534) GTEST_SKIP() << "runs only as the unprivileged user";
  const char* options = std::getenv("LSAN_OPTIONS");
  ASSERT_NE(options, nullptr);
  const std::string text = options;
  const size_t begin = text.find("suppressions='");
  ASSERT_NE(begin, std::string::npos) << text;
  const size_t start = begin + std::string("suppressions='").size();
  const std::string path = text.substr(start, text.find('\'', start) - start);
  EXPECT_EQ(ReadText(path), "leak:tr58k_rerun_probe\n");
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(fs::current_path(), fs::path(home));
  EXPECT_EQ(fs::path(path).parent_path(), fs::path(home));
}

}  // namespace
}  // namespace tr58k::faults
