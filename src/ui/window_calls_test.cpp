#include "ui/window_calls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tr58k {
namespace {

// The window's thread is the test's; a wake only counts, and the test runs
// RunPending itself, as a host's event loop would.
class WindowCallsTest : public ::testing::Test {
 protected:
  void Serve(const std::function<bool()>& until) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!until() && std::chrono::steady_clock::now() < deadline) {
      calls.RunPending();
      std::this_thread::yield();
    }
    ASSERT_TRUE(until());
  }
  std::atomic<int> wakes{0};
  WindowCalls calls{[this] { ++wakes; }};
};

TEST_F(WindowCallsTest, ACallFromAnotherThreadRunsOnTheWindowThreadAndIsWaitedFor) {
  const std::thread::id windowThread = std::this_thread::get_id();
  std::thread::id ranOn;
  int value = 0;
  std::atomic<bool> returned{false};
  bool sawEffect = false;
  std::thread worker([&] {
    calls.Call([&] {
      ranOn = std::this_thread::get_id();
      value = 42;
    });
    sawEffect = value == 42;  // the call's effect is visible once Call returns
    returned = true;
  });
  Serve([&] { return returned.load(); });
  worker.join();
  EXPECT_EQ(ranOn, windowThread);
  EXPECT_TRUE(sawEffect);
  EXPECT_GE(wakes.load(), 1);
}

TEST_F(WindowCallsTest, ACallOnTheWindowThreadRunsAtOnce) {
  int runs = 0;
  calls.Call([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(wakes.load(), 0);
}

TEST_F(WindowCallsTest, PostsAndCallsRunInTheOrderTheyWereMade) {
  std::vector<std::string> order;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    calls.Post([&] { order.push_back("post 1"); });
    calls.Call([&] { order.push_back("call"); });
    calls.Post([&] { order.push_back("post 2"); });
    done = true;
  });
  Serve([&] { return done.load(); });
  worker.join();
  calls.RunPending();
  EXPECT_EQ(order, (std::vector<std::string>{"post 1", "call", "post 2"}));
}

TEST_F(WindowCallsTest, AfterDropPostsOnlyCallsStillRun) {
  int posts = 0;
  calls.Post([&] { ++posts; });
  calls.DropPosts();
  calls.Post([&] { ++posts; });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    calls.Call([] {});  // a worker still waiting is answered, never stranded
    done = true;
  });
  Serve([&] { return done.load(); });
  worker.join();
  calls.RunPending();
  EXPECT_EQ(posts, 0);
}

}  // namespace
}  // namespace tr58k
