// Many threads on one simulated mouse through one link: quick applies and
// factory restores, refreshes, the cable pulled and plugged again and again,
// and firmware updates, all at once. Every request must get its own answer,
// the profile file and the mouse's block must only ever hold whole records,
// and everything must end (a watchdog fails the test rather than letting it
// hang).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/mouse_session.h"
#include "device/sim/bootloader_firmware.h"
#include "device/sim/normal_firmware.h"
#include "device/sim/simulated_mouse.h"
#include "faults/record_bytes.h"
#include "faults/watchdog.h"
#include "firmware/firmware_messages.h"
#include "firmware/firmware_worker.h"
#include "settings/device_settings.h"
#include "settings/profile_file.h"
#include "settings/profile_serializer.h"
#include "testing/cli_rig.h"
#include "testing/firmware_rig.h"

namespace tr58k::faults {
namespace {

// Simulated time whose sleeps hand the processor to the other threads, so
// that the threads interleave at every wait of the protocol without
// sleeping for real.
class YieldingClock final : public Clock {
 public:
  void Sleep(uint32_t ms) override {
    now_ += ms;
    for (uint32_t i = 0; i <= ms / 50; ++i) std::this_thread::yield();
  }
  uint64_t NowMs() const override { return now_; }

 private:
  std::atomic<uint64_t> now_{0};
};

// The link's trace with the thread of every line.
class ThreadTrace {
 public:
  void Add(std::string_view line) {
    std::lock_guard lock(mutex_);
    lines_.push_back({std::this_thread::get_id(), std::string(line.substr(0, 12))});
  }
  // Lines that break "every request is followed by its own answer": a
  // request whose next line (waits aside) is not its own thread's read.
  std::vector<std::string> RequestsWithoutTheirAnswer() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> broken;
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].text.rfind("set ", 0) != 0) continue;
      size_t next = i + 1;
      while (next < lines_.size() && lines_[next].text.rfind("sleep ", 0) == 0) ++next;
      const bool answered =
          next < lines_.size() && lines_[next].thread == lines_[i].thread &&
          (lines_[next].text.rfind("get ", 0) == 0 || lines_[next].text.rfind("fail get ", 0) == 0);
      if (!answered) broken.push_back("line " + std::to_string(i) + ": " + lines_[i].text);
    }
    return broken;
  }
  size_t Requests() const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const Line& line : lines_) n += line.text.rfind("set ", 0) == 0;
    return n;
  }

 private:
  struct Line {
    std::thread::id thread;
    std::string text;
  };
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

// What apply thread `t` sends: its own DPI values, so that a record mixed
// from two threads' records is seen.
MouseSettings ApplyRecord(int t) {
  MouseSettings settings;
  settings.profileName = u"Profile";
  settings.reportInterval = static_cast<int16_t>(1 << (t % 4));
  settings.dpiLevelCount = static_cast<uint8_t>(1 + t % 4);
  for (int k = 0; k < kDpiLevels; ++k) {
    const auto dpi = static_cast<int16_t>(50 * (1 + t) * (k + 1));
    settings.dpi[k] = DpiPair{dpi, dpi};
  }
  return settings;
}

MouseSettings FactoryRecord() {
  MouseSettings settings;
  ResetToFactory(settings);
  return settings;
}

constexpr int kApplyThreads = 3;
constexpr int kAppliedEach = 4;     // each apply thread goes on until this many got through
constexpr int kAttemptsEach = 300;  // or until it has tried this often
constexpr int kReadsWanted = 10;
constexpr int kUpdates = 2;

TEST(Concurrency, AppliesRestoresRefreshesPlugEventsAndUpdatesOnOneMouse) {
  TempConfigHome home;
  const std::string path = home.ProfilePath();
  YieldingClock clock;
  SimulatedMouse mouse(clock);
  mouse.SetFirmware(MouseMode::kBootloader, std::make_unique<BootloaderFirmware>());
  DeviceLink link(mouse, clock);
  link.testImagesAllowed = true;  // the updates send a test image
  ThreadTrace trace;
  link.trace = [&trace](std::string_view line) { trace.Add(line); };

  // Every whole record that may be on disk or on the mouse.
  std::set<std::vector<uint8_t>> profiles = {ProfileBytes(FactoryRecord())};
  std::set<DeviceConfigBlock> blocks = {mouse.Block(), BlockOf(FactoryRecord())};
  for (int t = 0; t < kApplyThreads; ++t) {
    profiles.insert(ProfileBytes(ApplyRecord(t)));
    blocks.insert(BlockOf(ApplyRecord(t)));
  }
  ASSERT_TRUE(SaveProfile(FactoryRecord(), path));

  auto image = std::make_unique<FirmwareImage>();
  RecordingReporter ignored;
  ASSERT_EQ(LoadFirmwareImage(*image, TestImageBytes(21504), ignored), 1);

  Watchdog watchdog(std::chrono::seconds(120));
  watchdog.Enter("the threads on one mouse");
  std::atomic<int> busy{kApplyThreads + 2};
  std::atomic<bool> updating{true};
  std::atomic<int> applyCalls{0}, mixedBlocks{0}, badLoads{0}, configReads{0};
  std::array<std::atomic<int>, 4> outcomes{};

  std::vector<std::thread> threads;
  for (int t = 0; t < kApplyThreads; ++t) {
    threads.emplace_back([&, t] {
      int applied = 0;
      for (int i = 0; (i < kAttemptsEach && applied < kAppliedEach) || updating; ++i) {
        MouseSettings settings = ApplyRecord(t);
        settings.profilePath = path;
        if (i % 3 == 2) ResetToFactory(settings);
        const ApplyOutcome outcome = ApplySettingsToMouse(link, settings, nullptr);
        ++applyCalls;
        ++outcomes[static_cast<int>(outcome)];
        applied += outcome == ApplyOutcome::kApplied;
        if (outcome == ApplyOutcome::kMouseNotFound) std::this_thread::yield();
      }
      --busy;
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; (i < kAttemptsEach && configReads < kReadsWanted) || updating; ++i) {
      MouseSettings read;
      read.profilePath = path;
      if (RefreshSettingsFromMouse(link, read).configRead) {
        ++configReads;
        // The block it came from must be one of the whole blocks.
        bool whole = false;
        for (const DeviceConfigBlock& block : blocks) {
          DeviceSettings device;
          DecodeConfigBlock(block, device);
          MouseSettings expected;
          expected.profilePath = path;
          FromDeviceSettings(device, expected);
          whole = whole || expected == read;
        }
        if (!whole) ++mixedBlocks;
      }
    }
    --busy;
  });
  threads.emplace_back([&] {
    while (busy > 0) {
      mouse.Unplug();
      std::this_thread::yield();
      mouse.Plug();
      for (int k = 0; k < 2000; ++k) std::this_thread::yield();
    }
  });
  threads.emplace_back([&] {
    while (busy > 0) {
      MouseSettings loaded;
      if (!LoadProfile(loaded, path) || profiles.count(ProfileBytes(loaded)) == 0) ++badLoads;
    }
  });
  RecordingReporter reporter;
  std::atomic<int> updatesEnded{0};
  {
    // The first update starts once the applies are under way.
    while (outcomes[static_cast<int>(ApplyOutcome::kApplied)] == 0 && busy > 2) {
      std::this_thread::yield();
    }
    FirmwareUpdateWorker worker;
    for (int u = 0; u < kUpdates; ++u) {
      ASSERT_TRUE(worker.StartWithProbe(link, *image, reporter, nullptr,
                                        [&](const UpdateOutcome&) { ++updatesEnded; }));
      worker.Wait();
    }
  }
  // An update cut short leaves the mouse in its bootloader, where no apply
  // gets through; bring it back so the applies after the updates count.
  if (mouse.Mode() == MouseMode::kBootloader) mouse.Reenumerate(MouseMode::kNormal, 0);
  updating = false;
  --busy;
  for (std::thread& thread : threads) thread.join();

  std::printf(
      "concurrency: %d applies (%d mouse not found, %d slot query failed, %d write failed, "
      "%d applied), %d refreshes read the mouse, %zu requests\n",
      applyCalls.load(), outcomes[0].load(), outcomes[1].load(), outcomes[2].load(),
      outcomes[3].load(), configReads.load(), trace.Requests());
  for (const std::string& text : reporter.Statuses()) std::printf("  update: %s\n", text.c_str());
  EXPECT_EQ(updatesEnded.load(), kUpdates);
  EXPECT_EQ(trace.RequestsWithoutTheirAnswer(), std::vector<std::string>{});
  EXPECT_GT(trace.Requests(), 0u);
  EXPECT_EQ(mixedBlocks.load(), 0);
  EXPECT_EQ(badLoads.load(), 0);
  EXPECT_EQ(blocks.count(mouse.Block()), 1u) << "the mouse holds a mixed block";
  EXPECT_EQ(profiles.count(ReadBytes(path)), 1u) << "the profile is not whole";
  // Each update ended with one of its final texts and let the user leave.
  const std::vector<std::string> texts = reporter.Statuses();
  ASSERT_FALSE(texts.empty());
  const std::string last = texts.back();
  EXPECT_TRUE(last == kUpdateErrorText || last == kMouseNotDetectedText ||
              last.rfind("更新完成，鼠标当前固件版本号：V", 0) == 0)
      << last;
  const std::vector<std::string> events = reporter.Events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "exit"), kUpdates);
}

}  // namespace
}  // namespace tr58k::faults
