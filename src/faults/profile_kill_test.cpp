// The profile save killed at random moments: a saver process writes two
// profiles in turn and is killed with SIGKILL a few hundred times. Each time
// the file on disk must be one of the two profiles, whole, and at most the
// one temporary file of the writer just killed may lie beside it; the next
// save clears it away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "faults/record_bytes.h"
#include "faults/saver_records.h"
#include "faults/watchdog.h"
#include "settings/profile_file.h"
#include "settings/profile_serializer.h"
#include "testing/cli_rig.h"

extern char** environ;

namespace tr58k::faults {
namespace {

constexpr int kKills = 300;
constexpr int kLongestDelayUs = 4000;

// Everything in the profile folder but the profile itself.
std::vector<std::string> Strays(const std::string& profilePath) {
  const std::filesystem::path path(profilePath);
  std::vector<std::string> strays;
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
    if (entry.path().filename() != path.filename()) strays.push_back(entry.path().filename());
  }
  return strays;
}

// Starts the saver on `path` and returns once its first save is done.
pid_t StartSaver(const std::string& path) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::string program = TR58K_PROFILE_SAVER;
  char* argv[] = {program.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  char started = 0;
  const bool ready = spawned == 0 && ::read(pipeFds[0], &started, 1) == 1;
  ::close(pipeFds[0]);
  if (spawned == 0 && !ready) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  return ready ? pid : -1;
}

TEST(ProfileKill, EveryKilledSaveLeavesAWholeProfileOldOrNew) {
  TempConfigHome home;
  const std::string path = home.ProfilePath();
  const std::vector<uint8_t> first = ProfileBytes(SaverRecord(0));
  const std::vector<uint8_t> second = ProfileBytes(SaverRecord(1));
  ASSERT_NE(first.size(), second.size());
  ASSERT_TRUE(SaveProfile(SaverRecord(0), path));

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayUs(0, kLongestDelayUs);
  Watchdog watchdog(std::chrono::seconds(10));

  int sawFirst = 0;
  int sawSecond = 0;
  size_t mostStrays = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    watchdog.Enter("kill " + std::to_string(kill));
    const pid_t saver = StartSaver(path);
    ASSERT_GT(saver, 0) << "the saver did not start";
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ASSERT_EQ(::kill(saver, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(saver, &status, 0), saver);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself: " << status;

    const std::vector<uint8_t> onDisk = ReadBytes(path);
    ASSERT_TRUE(onDisk == first || onDisk == second)
        << "kill " << kill << ": " << onDisk.size() << " bytes, neither profile";
    (onDisk == first ? sawFirst : sawSecond)++;
    const std::vector<std::string> strays = Strays(path);
    mostStrays = std::max(mostStrays, strays.size());
    ASSERT_LE(strays.size(), 1u) << "kill " << kill << ": temporary files pile up, e.g. "
                                 << strays.front();
  }
  std::printf(
      "profile kill: %d kills, %d left the first profile, %d the second, "
      "at most %zu temporary file(s) at once\n",
      kKills, sawFirst, sawSecond, mostStrays);
  // The kills landed at different points of the saves.
  EXPECT_GT(sawFirst, 0);
  EXPECT_GT(sawSecond, 0);

  // The next save leaves the folder clean.
  ASSERT_TRUE(SaveProfile(SaverRecord(0), path));
  EXPECT_EQ(Strays(path), std::vector<std::string>{});
  EXPECT_EQ(ReadBytes(path), first);
}

void Touch(const std::filesystem::path& path) {
  if (std::FILE* file = std::fopen(path.c_str(), "w")) std::fclose(file);
}

// The clean-up takes only what a save itself leaves: its own temporary
// name, with exactly the six characters that the save's file name adds.
TEST(ProfileKill, TheNextSaveRemovesOnlyTheTemporaryFilesOfKilledSaves) {
  TempConfigHome home;
  const std::filesystem::path path = home.ProfilePath();
  ASSERT_TRUE(SaveProfile(SaverRecord(0), path));
  const auto folder = path.parent_path();
  Touch(folder / ".DefaultPf.profile.tmp-a1B2c3");   // left by a killed save
  Touch(folder / ".DefaultPf.profile.tmp-Zz9999");   // and another one
  Touch(folder / ".DefaultPf.profile.tmp-toolong");  // not a name a save makes
  Touch(folder / ".DefaultPf.profile.backup");       // the user's
  Touch(folder / "notes.txt");
  Touch(folder / ".Other.profile.tmp-a1B2c3");  // another file's

  ASSERT_TRUE(SaveProfile(SaverRecord(1), path));
  std::vector<std::string> left = Strays(path);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left,
            (std::vector<std::string>{".DefaultPf.profile.backup", ".DefaultPf.profile.tmp-toolong",
                                      ".Other.profile.tmp-a1B2c3", "notes.txt"}));
  EXPECT_EQ(ReadBytes(path), ProfileBytes(SaverRecord(1)));
}

// Savers of one folder take turns: none removes the temporary file of
// another that is still writing, so every save lands.
TEST(ProfileKill, ConcurrentSaversNeverTakeEachOthersTemporaryFile) {
  TempConfigHome home;
  const std::string path = home.ProfilePath();
  constexpr int kSavesEach = 150;
  std::atomic<int> failed{0};
  Watchdog watchdog(std::chrono::seconds(60));
  std::vector<std::thread> savers;
  for (int which = 0; which < 2; ++which) {
    savers.emplace_back([&, which] {
      for (int i = 0; i < kSavesEach; ++i) {
        if (!SaveProfile(SaverRecord(which), path)) ++failed;
      }
    });
  }
  for (std::thread& saver : savers) saver.join();
  EXPECT_EQ(failed.load(), 0);
  EXPECT_EQ(Strays(path), std::vector<std::string>{});
  const std::vector<uint8_t> onDisk = ReadBytes(path);
  EXPECT_TRUE(onDisk == ProfileBytes(SaverRecord(0)) || onDisk == ProfileBytes(SaverRecord(1)));
}

}  // namespace
}  // namespace tr58k::faults
