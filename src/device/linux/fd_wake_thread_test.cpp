#include "device/linux/fd_wake_thread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tr58k {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::atomic<int>& value, int expected) {
  for (int i = 0; i < 2000 && value.load() < expected; ++i) std::this_thread::sleep_for(1ms);
  return value.load() >= expected;
}

TEST(FdWakeThread, CallsOncePerReadinessAndAgainOnlyAfterRearm) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::atomic<int> calls{0};
  {
    FdWakeThread wake(fds[0], [&] { ++calls; });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls.load(), 0) << "nothing readable yet";

    ASSERT_EQ(write(fds[1], "x", 1), 1);
    ASSERT_TRUE(WaitFor(calls, 1));
    // Still readable, but not re-armed: no second call.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.load(), 1);

    char byte;
    ASSERT_EQ(read(fds[0], &byte, 1), 1);
    wake.Rearm();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls.load(), 1) << "drained: nothing to report";

    ASSERT_EQ(write(fds[1], "y", 1), 1);
    EXPECT_TRUE(WaitFor(calls, 2));
  }  // destruction joins a thread blocked in poll()
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
}  // namespace tr58k
