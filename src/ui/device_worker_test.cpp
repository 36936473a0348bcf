#include "ui/device_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace tr58k {
namespace {

void WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_TRUE(done());
}

TEST(DeviceWorkerTest, RunsJobsOneAtATimeInPostingOrder) {
  DeviceWorker worker;
  std::mutex mutex;
  std::vector<int> order;
  std::atomic<int> running{0};
  std::atomic<int> overlap{0};
  constexpr int kJobs = 50;
  // Post from two threads at once; each thread's jobs keep their order.
  auto post = [&](int base) {
    for (int i = 0; i < kJobs; ++i) {
      worker.Post([&, id = base + i] {
        if (running.fetch_add(1) != 0) ++overlap;
        std::this_thread::yield();
        {
          std::lock_guard lock(mutex);
          order.push_back(id);
        }
        running.fetch_sub(1);
      });
    }
  };
  std::thread a(post, 0);
  std::thread b(post, 1000);
  a.join();
  b.join();
  WaitUntil([&] { return worker.JobsDone() == 2 * kJobs; });
  EXPECT_TRUE(worker.Idle());
  EXPECT_EQ(overlap.load(), 0);
  std::vector<int> fromA, fromB;
  for (int id : order) (id < 1000 ? fromA : fromB).push_back(id);
  ASSERT_EQ(fromA.size(), static_cast<size_t>(kJobs));
  ASSERT_EQ(fromB.size(), static_cast<size_t>(kJobs));
  for (int i = 0; i < kJobs; ++i) {
    EXPECT_EQ(fromA[i], i);
    EXPECT_EQ(fromB[i], 1000 + i);
  }
}

TEST(DeviceWorkerTest, StopServesTheRunningJobAndDropsTheRest) {
  DeviceWorker worker;
  std::promise<void> started;
  std::atomic<bool> answered{false};
  std::atomic<bool> laterRan{false};
  // The running job waits for the stopping thread to answer it, as a device
  // job waits for the window.
  worker.Post([&] {
    started.set_value();
    while (!answered) std::this_thread::yield();
  });
  worker.Post([&] { laterRan = true; });
  started.get_future().wait();
  int served = 0;
  worker.Stop([&] {
    ++served;
    answered = true;
  });
  EXPECT_GE(served, 1);
  EXPECT_FALSE(laterRan);
  EXPECT_EQ(worker.JobsDone(), 1u);
  worker.Post([&] { laterRan = true; });  // after Stop: ignored
  worker.Stop({});
  EXPECT_FALSE(laterRan);
}

}  // namespace
}  // namespace tr58k
