#include "settings/profile_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

#include "settings/profile_serializer.h"
#include "settings/stream_file.h"

namespace tr58k {
namespace {

namespace fs = std::filesystem;

class ScopedEnv {
 public:
  explicit ScopedEnv(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
  void Set(const char* value) { value ? setenv(name_, value, 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs `body` in a child process (to drop privileges or limit file sizes
// without touching the test process) and returns its exit status.
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

MouseSettings Saved() {
  MouseSettings s;
  s.profileName = u"鼠标";
  s.dpi[2] = {4000, 4000};
  s.levelAttribute[1] = 6;
  return s;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tr58k_settings_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    configHome_.Set(root_.c_str());
    path_ = DefaultProfilePath();
    folder_ = root_ + "/ZEMO/TR-58K/Profiles";
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename());
    return names;
  }

  ScopedEnv configHome_{"XDG_CONFIG_HOME"};
  ScopedEnv home_{"HOME"};
  std::string root_, path_, folder_;
};

TEST_F(ProfileFileTest, FolderComesFromTheEnvironment) {
  struct Case { const char* xdg; const char* home; std::string folder; };
  const Case cases[] = {
      {"/cfg", "/home/u", "/cfg"},
      {"/cfg//", "/home/u", "/cfg"},
      {"relative", "/home/u", "/home/u/.config"},
      {"", "/home/u/", "/home/u/.config"},
      {nullptr, "/home/u", "/home/u/.config"},
      {nullptr, "relative", ""},
      {"", nullptr, ""},
  };
  for (const Case& c : cases) {
    configHome_.Set(c.xdg);
    home_.Set(c.home);
    EXPECT_EQ(GetAppDataFolder(), c.folder) << (c.xdg ? c.xdg : "-") << " " << (c.home ? c.home : "-");
    EXPECT_EQ(DefaultProfilePath(),
              c.folder.empty() ? "" : c.folder + "/ZEMO/TR-58K/Profiles/DefaultPf.profile");
  }
  // Without a folder the program runs without a profile.
  MouseSettings s = Saved();
  EXPECT_FALSE(SaveProfile(s, DefaultProfilePath()));
  EXPECT_FALSE(LoadProfile(s, DefaultProfilePath()));
  EXPECT_EQ(s, Saved());
}

TEST_F(ProfileFileTest, FirstSaveCreatesFoldersAndTheExactFile) {
  ASSERT_EQ(path_, folder_ + "/DefaultPf.profile");
  ASSERT_TRUE(SaveProfile(Saved(), path_));
  DataStream expected(1024);
  SerializeProfile(expected, Saved());
  EXPECT_EQ(ReadBytes(path_), std::vector<uint8_t>(expected.data(), expected.data() + expected.length()));
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"DefaultPf.profile"});  // no temporary left
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  MouseSettings loaded;
  ASSERT_TRUE(LoadProfile(loaded, path_));
  EXPECT_EQ(loaded.profileName, u"鼠标");
  EXPECT_EQ(loaded.dpi[2], (DpiPair{4000, 4000}));
  EXPECT_EQ(loaded.levelAttribute[1], 6);
}

TEST_F(ProfileFileTest, SaveReplacesTheWholeOldFile) {
  fs::create_directories(folder_);
  WriteBytes(path_, std::vector<uint8_t>(500, 0x77));
  MouseSettings s;
  s.profileName = u"Profile";
  ASSERT_TRUE(SaveProfile(s, path_));
  const std::vector<uint8_t> bytes = ReadBytes(path_);
  ASSERT_EQ(bytes.size(), 60u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
            (std::vector<uint8_t>{0xFA, 0x15, 0x34, 0x01, 0x07, 0x00, 0x00, 0x00}));
}

TEST_F(ProfileFileTest, FailedSaveKeepsTheOldProfile) {
  ASSERT_TRUE(SaveProfile(Saved(), path_));
  const std::vector<uint8_t> before = ReadBytes(path_);
  // The write runs out of room halfway (a full disk, say).
  const int status = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{20, 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    return SaveProfile(MouseSettings{}, path_) ? 1 : 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadBytes(path_), before);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"DefaultPf.profile"});
}

TEST_F(ProfileFileTest, SymlinkIsReplacedNotWrittenThrough) {
  fs::create_directories(folder_);
  const std::string outside = root_ + "/outside";
  WriteBytes(outside, {'k', 'e', 'e', 'p'});
  fs::create_symlink(outside, path_);
  ASSERT_TRUE(SaveProfile(Saved(), path_));
  EXPECT_EQ(ReadBytes(outside), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path_)));

  fs::remove(path_);
  fs::create_symlink(root_ + "/dangling", path_);
  ASSERT_TRUE(SaveProfile(Saved(), path_));
  EXPECT_FALSE(fs::exists(root_ + "/dangling"));
}

TEST_F(ProfileFileTest, FolderOrFifoAtThePathIsLeftAlone) {
  fs::create_directories(path_);
  WriteBytes(path_ + "/inside", {1});
  MouseSettings s = Saved();
  EXPECT_FALSE(SaveProfile(s, path_));
  EXPECT_FALSE(LoadProfile(s, path_));
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_EQ(ReadBytes(path_ + "/inside"), std::vector<uint8_t>{1});
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"DefaultPf.profile"});

  fs::remove_all(path_);
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  EXPECT_FALSE(LoadProfile(s, path_));  // would block forever if opened blocking
  EXPECT_FALSE(SaveProfile(s, path_));
  EXPECT_TRUE(fs::is_fifo(path_));
  EXPECT_EQ(s, Saved());
}

TEST_F(ProfileFileTest, UnreadableFilesCountAsMissing) {
  MouseSettings s = Saved();
  EXPECT_FALSE(LoadProfile(s, path_));  // no file at all

  fs::create_directories(folder_);
  std::vector<uint8_t> valid = ReadBytes((SaveProfile(MouseSettings{}, path_), path_));
  // Short files and foreign files.
  WriteBytes(path_, {valid.begin(), valid.end() - 1});
  EXPECT_FALSE(LoadProfile(s, path_));
  WriteBytes(path_, {'P', 'K', 3, 4, 0, 0, 0, 0});
  EXPECT_FALSE(LoadProfile(s, path_));
  EXPECT_EQ(s, Saved());

  // Up to 64 KiB is read (trailing bytes ignored); one byte more is refused.
  std::vector<uint8_t> padded = valid;
  padded.resize(kMaxProfileFileSize, 0xCC);
  WriteBytes(path_, padded);
  MouseSettings loaded = Saved();
  EXPECT_TRUE(LoadProfile(loaded, path_));
  EXPECT_EQ(loaded.profileName, u"profile");
  padded.push_back(0xCC);
  WriteBytes(path_, padded);
  EXPECT_FALSE(LoadProfile(s, path_));

  // A 2 GiB file (sparse) is refused without reading it.
  WriteBytes(path_, valid);
  ASSERT_EQ(truncate(path_.c_str(), int64_t{2} << 30), 0);
  EXPECT_FALSE(LoadProfile(s, path_));
  EXPECT_EQ(s, Saved());
}

TEST_F(ProfileFileTest, FileWithoutReadPermissionCountsAsMissing) {
  ASSERT_TRUE(SaveProfile(MouseSettings{}, path_));
  ASSERT_EQ(chmod(path_.c_str(), 0), 0);
  // root reads anything: check as an ordinary user, in a child process.
  for (const std::string& folder : {root_, root_ + "/ZEMO", root_ + "/ZEMO/TR-58K", folder_}) {
    chmod(folder.c_str(), 0755);
  }
  const int status = InChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
    MouseSettings s = Saved();
    return (!LoadProfile(s, path_) && s == Saved()) ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(ProfileFileTest, OriginalProgramFileLoads) {
  fs::create_directories(folder_);
  WriteBytes(path_, {0xFA, 0x15, 0x34, 0x01, 0x07, 0x00, 0x00, 0x00, 0x50, 0x00, 0x72, 0x00,
                     0x6F, 0x00, 0x66, 0x00, 0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x01, 0x00,
                     0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00,
                     0x90, 0x01, 0x90, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x03, 0x20, 0x03,
                     0x00, 0x00, 0x00, 0x00, 0x40, 0x06, 0x40, 0x06, 0x80, 0x0C, 0x80, 0x0C});
  MouseSettings s;
  ASSERT_TRUE(LoadProfile(s, path_));
  MouseSettings expected;
  expected.profileName = u"Profile";
  expected.activeLevel = 2;
  EXPECT_EQ(s, expected);
}

TEST_F(ProfileFileTest, CreateFolderPathCutsAFileNameWithADot) {
  CreateFolderPath(root_ + "/a/b/c.txt");
  EXPECT_TRUE(fs::is_directory(root_ + "/a/b"));
  EXPECT_FALSE(fs::exists(root_ + "/a/b/c.txt"));
  CreateFolderPath(root_ + "/x/y");
  EXPECT_TRUE(fs::is_directory(root_ + "/x/y"));
  CreateFolderPath(root_ + "/p.q/r");  // the dot is not in the last part
  EXPECT_TRUE(fs::is_directory(root_ + "/p.q/r"));
}

}  // namespace
}  // namespace tr58k
