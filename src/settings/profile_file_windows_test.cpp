// The profile file on Windows (run under Wine): where it lands, its exact
// bytes, and the save and load rules on NTFS-like semantics.
#include "settings/profile_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "device/clock.h"
#include "settings/replace_file_windows.h"
#include "settings/stream_file.h"
#include "settings/wide_text_windows.h"

namespace tr58k {
namespace {

namespace fs = std::filesystem;

fs::path FsPath(const std::string& utf8) { return fs::path(Utf8ToWide(utf8)); }

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Tests that write the real application-data folder run under Wine only,
// where the build's own prefix holds it; never in a real user's profile.
bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The record of the file format's example: 60 bytes with the name "Profile".
MouseSettings ExampleRecord() {
  MouseSettings s;
  s.profileName = u"Profile";
  s.auxOption = 1;
  s.profileIndex = 0;
  s.wheelBacklight = 1;
  s.reportInterval = 1;
  s.dpiLevelCount = 4;
  s.activeLevel = 2;
  s.levelAttribute = {0, 0, 0, 0};
  s.dpi = {DpiPair{400, 400}, DpiPair{800, 800}, DpiPair{1600, 1600}, DpiPair{3200, 3200}};
  return s;
}

const std::vector<uint8_t> kExampleBytes = {
    0xFA, 0x15, 0x34, 0x01, 0x07, 0x00, 0x00, 0x00, 0x50, 0x00, 0x72, 0x00, 0x6F, 0x00, 0x66, 0x00,
    0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x04, 0x02,
    0x00, 0x00, 0x00, 0x00, 0x90, 0x01, 0x90, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x03, 0x20, 0x03,
    0x00, 0x00, 0x00, 0x00, 0x40, 0x06, 0x40, 0x06, 0x80, 0x0C, 0x80, 0x0C};

TEST(ProfileFileWindowsTest, ExampleRecordLandsInRoamingAppDataByteForByte) {
  if (!UnderWine()) GTEST_SKIP() << "writes the real application-data folder: Wine's test prefix only";
  const std::string appData = GetAppDataFolder();
  std::string lower = appData;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  EXPECT_EQ(lower.rfind("c:\\users\\", 0), 0u) << appData;
  EXPECT_NE(lower.find("\\appdata\\roaming"), std::string::npos) << appData;
  const std::string path = DefaultProfilePath();
  EXPECT_EQ(path, appData + "\\ZEMO\\TR-58K\\Profiles\\DefaultPf.profile");

  std::error_code ignored;
  fs::remove_all(FsPath(appData + "\\ZEMO"), ignored);
  ASSERT_TRUE(SaveProfile(ExampleRecord(), path));
  EXPECT_EQ(ReadBytes(path), kExampleBytes);
  MouseSettings loaded;
  ASSERT_TRUE(LoadProfile(loaded, path));
  MouseSettings expected = ExampleRecord();
  EXPECT_EQ(loaded, expected);
  fs::remove_all(FsPath(appData + "\\ZEMO"), ignored);
}

class ProfileFileWindowsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    // A Chinese folder name: every path goes through UTF-16 at the calls.
    root_ = WideToUtf8(temp) + "tr58k \xE9\xBC\xA0\xE6\xA0\x87 " + std::to_string(::GetCurrentProcessId());
    folder_ = root_ + "\\ZEMO\\TR-58K\\Profiles";
    path_ = folder_ + "\\DefaultPf.profile";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FsPath(root_), ignored);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FsPath(folder_))) {
      names.push_back(WideToUtf8(e.path().filename().wstring()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string root_, folder_, path_;
};

TEST_F(ProfileFileWindowsFolderTest, SaveCreatesFoldersReplacesWholeAndLeavesNoTemporary) {
  ASSERT_TRUE(SaveProfile(ExampleRecord(), path_));
  EXPECT_EQ(ReadBytes(path_), kExampleBytes);
  // A killed saver's temporary file goes at the next save; the old file is
  // replaced whole, also when it was longer.
  WriteBytes(folder_ + "\\.DefaultPf.profile.tmp-dead00", {1, 2, 3});
  WriteBytes(path_, std::vector<uint8_t>(500, 0x77));
  ASSERT_TRUE(SaveProfile(ExampleRecord(), path_));
  EXPECT_EQ(ReadBytes(path_), kExampleBytes);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{".DefaultPf.profile.lock", "DefaultPf.profile"}));
}

TEST_F(ProfileFileWindowsFolderTest, FolderAtThePathIsLeftAloneAndLoadsNothing) {
  fs::create_directories(FsPath(path_));
  EXPECT_FALSE(SaveProfile(ExampleRecord(), path_));
  MouseSettings s;
  EXPECT_FALSE(LoadProfile(s, path_));
  EXPECT_TRUE(fs::is_directory(FsPath(path_)));
}

TEST_F(ProfileFileWindowsFolderTest, LoadRefusesMissingOversizedAndWriterHeldFiles) {
  fs::create_directories(FsPath(folder_));
  DataStream stream;
  EXPECT_FALSE(LoadFileToStream(path_, stream));
  struct Case {
    size_t size;
    bool loads;
  };
  for (const Case c : {Case{0, true}, Case{60, true}, Case{64 * 1024, true}, Case{64 * 1024 + 1, false}}) {
    WriteBytes(path_, std::vector<uint8_t>(c.size, 0x5A));
    EXPECT_EQ(LoadFileToStream(path_, stream), c.loads) << c.size;
    EXPECT_EQ(stream.length(), c.loads ? c.size : 0u) << c.size;
  }
  // A writer holding the file: reading is refused to us (FILE_SHARE_READ only).
  const HANDLE writer = ::CreateFileW(Utf8ToWide(path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(LoadFileToStream(path_, stream));
  ::CloseHandle(writer);
  WriteBytes(path_, kExampleBytes);
  EXPECT_TRUE(LoadFileToStream(path_, stream));
}

TEST_F(ProfileFileWindowsFolderTest, ConcurrentSaversLeaveOneWholeRecord) {
  constexpr int kThreads = 4;
  constexpr int kSaves = 20;
  std::vector<std::thread> savers;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    savers.emplace_back([&, t] {
      MouseSettings s = ExampleRecord();
      s.profileName = std::u16string(static_cast<size_t>(t + 1) * 10, u'a' + t);
      for (int i = 0; i < kSaves; ++i) {
        if (!SaveProfile(s, path_)) ++failures[t];
      }
    });
  }
  for (auto& s : savers) s.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << t;
  MouseSettings loaded;
  ASSERT_TRUE(LoadProfile(loaded, path_));
  ASSERT_FALSE(loaded.profileName.empty());
  EXPECT_EQ(loaded.profileName, std::u16string(loaded.profileName.size(), loaded.profileName[0]));
  EXPECT_EQ(loaded.profileName.size(), static_cast<size_t>(loaded.profileName[0] - u'a' + 1) * 10);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{".DefaultPf.profile.lock", "DefaultPf.profile"}));
}

// Time moves only by the sleeps; after the `releaseAt`-th sleep the handle
// that holds the file is closed (0: held to the end).
class ReleasingClock final : public Clock {
 public:
  ReleasingClock(HANDLE holder, size_t releaseAt) : holder_(holder), releaseAt_(releaseAt) {}
  ~ReleasingClock() override { Release(); }
  void Sleep(uint32_t ms) override {
    now_ += ms;
    sleeps.push_back(ms);
    if (sleeps.size() == releaseAt_) Release();
  }
  uint64_t NowMs() const override { return now_; }
  std::vector<uint32_t> sleeps;

 private:
  void Release() {
    if (holder_ != INVALID_HANDLE_VALUE) ::CloseHandle(holder_);
    holder_ = INVALID_HANDLE_VALUE;
  }
  HANDLE holder_;
  size_t releaseAt_;
  uint64_t now_ = 0;
};

// Another program holding the profile without delete sharing, for a while
// shorter and longer than the bound; and a failure that no wait mends.
TEST_F(ProfileFileWindowsFolderTest, ReplaceWaitsForAHolderWithinItsBound) {
  fs::create_directories(FsPath(folder_));
  const std::string temp = folder_ + "\\new";
  struct Case {
    const char* what;
    bool hold;
    size_t releaseAt;
    bool replaced;
    std::vector<uint32_t> sleeps;
  };
  const std::vector<Case> cases = {
      {"not held", false, 0, true, {}},
      {"held over three waits", true, 3, true, {10, 20, 40}},
      {"held past the bound", true, 0, false,
       {10, 20, 40, 80, 160, 250, 250, 250, 250, 250, 250, 190}},
  };
  for (const Case& c : cases) {
    WriteBytes(path_, {1, 1, 1});
    WriteBytes(temp, {2, 2});
    // Opened without delete sharing, as virus scanners open a new file.
    const HANDLE holder =
        c.hold ? ::CreateFileW(Utf8ToWide(path_).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
               : INVALID_HANDLE_VALUE;
    ASSERT_EQ(holder != INVALID_HANDLE_VALUE, c.hold) << c.what;
    {
      ReleasingClock clock(holder, c.releaseAt);  // closes the holder as it goes
      uint32_t error = 0;
      EXPECT_EQ(ReplaceFileWaiting(Utf8ToWide(temp), Utf8ToWide(path_), clock, &error), c.replaced)
          << c.what;
      EXPECT_EQ(clock.sleeps, c.sleeps) << c.what;
      if (!c.replaced) {
        EXPECT_TRUE(IsHeldFileError(error)) << c.what << ": " << error;
      }
    }
    const std::vector<uint8_t> expected =
        c.replaced ? std::vector<uint8_t>{2, 2} : std::vector<uint8_t>{1, 1, 1};
    EXPECT_EQ(ReadBytes(path_), expected) << c.what;
    EXPECT_EQ(fs::exists(FsPath(temp)), !c.replaced) << c.what;
  }
  ManualClock clock;
  uint32_t error = 0;
  EXPECT_FALSE(ReplaceFileWaiting(Utf8ToWide(folder_ + "\\missing"), Utf8ToWide(path_), clock, &error));
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(clock.Sleeps().empty());
}

// A saver about to replace the profile holds it with delete access: a load
// at that moment still reads it (the loader shares deleting), and the
// loader's own handle lets a replace through where the system allows one.
TEST_F(ProfileFileWindowsFolderTest, LoadSharesTheFileWithAReplacer) {
  ASSERT_TRUE(SaveProfile(ExampleRecord(), path_));
  const HANDLE replacer = ::CreateFileW(Utf8ToWide(path_).c_str(), DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(replacer, INVALID_HANDLE_VALUE);
  MouseSettings loaded;
  EXPECT_TRUE(LoadProfile(loaded, path_));
  ::CloseHandle(replacer);
  EXPECT_EQ(loaded, ExampleRecord());
}

TEST_F(ProfileFileWindowsFolderTest, CreateFolderPathCutsAFileNameWithADot) {
  CreateFolderPath(root_ + "\\a\\b.c\\d");           // no dot in the last part: all folders
  EXPECT_TRUE(fs::is_directory(FsPath(root_ + "\\a\\b.c\\d")));
  CreateFolderPath(root_ + "\\x\\y\\file.profile");  // the file name is cut off
  EXPECT_TRUE(fs::is_directory(FsPath(root_ + "\\x\\y")));
  EXPECT_FALSE(fs::exists(FsPath(root_ + "\\x\\y\\file.profile")));
}

}  // namespace
}  // namespace tr58k
