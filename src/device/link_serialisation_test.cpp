// Several threads share the link: the window's refresh, the apply worker and
// plug handling. Each command must run as one unit, or one thread reads the
// answer to another thread's request.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/config_commands.h"
#include "device/sim/normal_firmware.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {
namespace {

// Simulated time whose sleeps hand the processor to other threads, so the
// threads really interleave at every protocol wait (without sleeping).
class YieldingClock final : public Clock {
 public:
  void Sleep(uint32_t ms) override {
    now_ += ms;
    for (uint32_t i = 0; i <= ms / 10; ++i) std::this_thread::yield();
  }
  uint64_t NowMs() const override { return now_; }

 private:
  std::atomic<uint64_t> now_{0};
};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

TEST(LinkSerialisation, ConcurrentCommandsEachReadTheirOwnAnswer) {
  YieldingClock clock;
  SimulatedMouse mouse(clock);
  // Answers that tell the commands apart: the slot query answers 3, the
  // block's first byte (where a misrouted slot query would look) is 1.
  DeviceConfigBlock block = FactoryConfigBlock();
  block[0] = 1;
  mouse.SetBlock(block);
  mouse.SetSelectedSlot(3);

  DeviceLink link(mouse, clock);
  std::mutex traceMutex;
  std::vector<std::string> trace;
  link.trace = [&](std::string_view line) {
    std::lock_guard lock(traceMutex);
    trace.emplace_back(line);
  };
  ASSERT_EQ(OpenHidDevice(link, kMouseProductId), 1);

  // Each command thread runs until it has its share of answered commands;
  // a closed link makes a command fail, which is fine, but never answer wrong.
  constexpr int kAnswers = 100;
  constexpr int kMaxAttempts = 10000 * kAnswers;
  std::atomic<int> wrongAnswers{0};
  std::atomic<int> configReads{0};
  std::atomic<int> slotReads{0};
  std::atomic<int> running{2};

  std::thread reader([&] {
    for (int i = 0; i < kMaxAttempts && configReads < kAnswers; ++i) {
      DeviceSettings out;
      if (ReadConfiguration(link, out) != kCommandOk) {
        std::this_thread::yield();
        continue;
      }
      ++configReads;
      if (out.profileIndex != 1 || out.dpiLevelCount != 4 || out.levels[3].dpiX != 3200) {
        ++wrongAnswers;
      }
    }
    --running;
  });
  std::thread slotter([&] {
    for (int i = 0; i < kMaxAttempts && slotReads < kAnswers; ++i) {
      uint8_t slot = 0xEE;
      if (ReadProfileSlot(link, slot) != kCommandOk) {
        std::this_thread::yield();
        continue;
      }
      ++slotReads;
      if (slot != 3) ++wrongAnswers;
    }
    --running;
  });
  // Plug handling: closes and reopens the link while the commands run, now
  // and then leaving it closed for a moment.
  std::thread replugger([&] {
    for (int cycle = 0; running > 0; ++cycle) {
      {
        auto lock = link.Lock();
        CloseHidDevice(link);
        if (cycle % 4 != 0) OpenHidDevice(link, kMouseProductId);
      }
      for (int k = 0; k < 20; ++k) std::this_thread::yield();
      OpenHidDevice(link, kMouseProductId);
      for (int k = 0; k < 50; ++k) std::this_thread::yield();
    }
  });
  reader.join();
  slotter.join();
  replugger.join();

  EXPECT_EQ(wrongAnswers.load(), 0);
  EXPECT_EQ(configReads.load(), kAnswers);
  EXPECT_EQ(slotReads.load(), kAnswers);

  // In the trace, a request that went out is followed by its own reads
  // (sleeps aside) before any other request, open or close.
  for (size_t i = 0; i < trace.size(); ++i) {
    if (!StartsWith(trace[i], "set ")) continue;
    size_t next = i + 1;
    while (next < trace.size() && StartsWith(trace[next], "sleep ")) ++next;
    ASSERT_LT(next, trace.size());
    EXPECT_TRUE(StartsWith(trace[next], "get ") || StartsWith(trace[next], "fail get "))
        << "line " << next << ": " << trace[next];
  }
}

}  // namespace
}  // namespace tr58k
