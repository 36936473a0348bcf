#include "app/window_calls.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTest>
#include <thread>

#include "app/window_test_fixture.h"

namespace tr58k {
namespace {

class WindowCallsTest : public test::ApplicationTest {
 protected:
  QObject window;
  WindowCalls calls{&window};
};

TEST_F(WindowCallsTest, ACallFromAnotherThreadRunsOnTheWindowThreadAndIsWaitedFor) {
  const std::thread::id windowThread = std::this_thread::get_id();
  std::thread::id ranOn;
  int value = 0;
  bool returned = false;
  std::thread worker([&] {
    calls.Call([&] {
      ranOn = std::this_thread::get_id();
      value = 42;
    });
    returned = value == 42;  // the call's effect is visible once Call returns
  });
  // The window thread answers only from its event loop.
  ASSERT_TRUE(QTest::qWaitFor([&] { return value == 42; }, 10000));
  worker.join();
  EXPECT_EQ(ranOn, windowThread);
  EXPECT_TRUE(returned);
}

TEST_F(WindowCallsTest, RunPendingAnswersWithoutTheEventLoop) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    calls.Call([] {});
    done = true;
  });
  while (!done) {
    calls.RunPending();  // as the window does while it shuts down
    std::this_thread::yield();
  }
  worker.join();
}

TEST_F(WindowCallsTest, ACallOnTheWindowThreadRunsAtOnce) {
  int runs = 0;
  calls.Call([&] { ++runs; });
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace tr58k
