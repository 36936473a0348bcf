// The support page: its address, one thread per click, the window going
// on meanwhile, and the desktop opener (a stand-in xdg-open on PATH).
#include "app/support_page.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "app/desktop_open.h"
#include "app/main_dialog_template.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

// Records each address and the thread it came on; can keep the "browser"
// from returning until the test lets it.
class RecordingOpener final : public SupportPageOpener {
 public:
  void Open(const std::u16string& address) override {
    std::unique_lock lock(mutex_);
    opened_.push_back({address, std::this_thread::get_id()});
    changed_.notify_all();
    changed_.wait(lock, [this] { return !holding_; });
    ++returned_;
    changed_.notify_all();
  }
  void Hold(bool hold) {
    std::lock_guard lock(mutex_);
    holding_ = hold;
    changed_.notify_all();
  }
  bool WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return opened_.size() >= count; });
  }
  // Waits until `count` calls have left Open(): the threads are detached,
  // so this is the last moment they touch the opener.
  bool WaitReturned(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return returned_ >= count; });
  }
  std::vector<std::pair<std::u16string, std::thread::id>> Opened() {
    std::lock_guard lock(mutex_);
    return opened_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool holding_ = false;
  size_t returned_ = 0;
  std::vector<std::pair<std::u16string, std::thread::id>> opened_;
};

class SupportPageTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetSupportPageOpener(&opener_); }
  void TearDown() override {
    opener_.Hold(false);
    // Let every support-page thread finish with the opener before it goes.
    opener_.WaitReturned(expectedOpens_);
    SetSupportPageOpener(previous_);
  }
  FakeWindowHost& host() { return rig.Host(); }

  WindowRig rig;
  RecordingOpener opener_;
  SupportPageOpener* previous_ = nullptr;
  size_t expectedOpens_ = 0;
};

TEST_F(SupportPageTest, AddressIsAnAbsoluteWebAddress) {
  const std::u16string address = kSupportPageAddress;
  ASSERT_EQ(address.rfind(u"https://", 0), 0u);
  const size_t hostEnd = address.find(u'/', 8);
  EXPECT_GT(hostEnd == std::u16string::npos ? address.size() - 8 : hostEnd - 8, 0u);
  EXPECT_EQ(address.find(u' '), std::u16string::npos);
}

TEST_F(SupportPageTest, EachClickOpensThePageOnAThreadOfItsOwn) {
  rig.Open();
  expectedOpens_ = 2;
  // Both "browsers" stay busy, so both threads live at once.
  opener_.Hold(true);
  host().Click(ctl::kDriverUpdate);
  host().Click(ctl::kDriverUpdate);
  ASSERT_TRUE(opener_.WaitFor(2));
  const auto opened = opener_.Opened();
  ASSERT_EQ(opened.size(), 2u);
  const std::set<std::thread::id> threads{opened[0].second, opened[1].second};
  EXPECT_EQ(threads.size(), 2u);
  for (const auto& [address, thread] : opened) {
    EXPECT_EQ(address, std::u16string(kSupportPageAddress));
    EXPECT_NE(thread, std::this_thread::get_id());
  }
}

TEST_F(SupportPageTest, WindowKeepsAnsweringWhileTheBrowserStarts) {
  rig.Open();
  rig.mouse->ClearLog();
  expectedOpens_ = 1;
  opener_.Hold(true);
  host().Click(ctl::kDriverUpdate);
  ASSERT_TRUE(opener_.WaitFor(1));  // the browser is "starting" now
  host().SetText(ctl::kDpiEdit1, "1234");
  rig.Window().OnTimerTick();
  EXPECT_EQ(host().GetText(ctl::kDpiEdit1), "1250");
  host().Click(ctl::kApply);
  rig.Settle();
  EXPECT_EQ(rig.RequestCommands().size(), 3u);
}

TEST_F(SupportPageTest, ThreadProcedureOwnsItsAddress) {
  expectedOpens_ = 1;
  EXPECT_EQ(SupportPageThread(nullptr), 0u);
  EXPECT_TRUE(opener_.Opened().empty());
  EXPECT_EQ(SupportPageThread(new std::u16string(u"https://example.invalid/x")), 1u);
  ASSERT_EQ(opener_.Opened().size(), 1u);
  EXPECT_EQ(opener_.Opened()[0].first, u"https://example.invalid/x");
}

#ifndef _WIN32
// The desktop's opener runs xdg-open with the address in UTF-8 and reaps it:
// a stand-in xdg-open first on PATH writes what it was given.
TEST(DesktopOpenTest, RunsXdgOpenWithTheAddressAndLeavesNoChild) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tr58k-xdg-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path out = dir / "opened";
  {
    std::ofstream script(dir / "xdg-open");
    script << "#!/bin/sh\nprintf '%s' \"$1\" > '" << out.string() << ".tmp' && mv '" << out.string()
           << ".tmp' '" << out.string() << "'\n";
  }
  std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
  OpenAddressWithDesktop(u"https://example.invalid/\u9A71\u52A8?a=1&b=2");
  setenv("PATH", oldPath.c_str(), 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(out) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::ifstream in(out);
  std::string opened((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(opened, "https://example.invalid/\xE9\xA9\xB1\xE5\x8A\xA8?a=1&b=2");
  // Reaped off the caller's thread: no child of this process is left, not
  // even a zombie. Looked at without reaping it here.
  bool childLeft = true;
  while (childLeft && std::chrono::steady_clock::now() < deadline) {
    siginfo_t info{};
    childLeft = !(waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD);
    if (childLeft) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_FALSE(childLeft);
  std::filesystem::remove_all(dir);
}
#endif  // xdg-open is Linux's

}  // namespace
}  // namespace tr58k
