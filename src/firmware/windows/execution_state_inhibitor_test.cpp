#include "firmware/windows/execution_state_inhibitor.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tr58k {
namespace {

std::vector<EXECUTION_STATE> g_calls;
EXECUTION_STATE g_answer = ES_CONTINUOUS;

EXECUTION_STATE WINAPI RecordState(EXECUTION_STATE state) {
  g_calls.push_back(state);
  return g_answer;
}

TEST(ExecutionStateInhibitorTest, HoldsTheSystemAwakeOnTheCallingThreadOnly) {
  g_calls.clear();
  g_answer = ES_CONTINUOUS;
  {
    ExecutionStateInhibitor inhibitor(&RecordState);
    ASSERT_TRUE(inhibitor.Acquire("update"));
    EXPECT_TRUE(inhibitor.Acquire("again"));  // held once, asked once
    // Another thread cannot give back this thread's state.
    std::thread([&] { inhibitor.Release(); }).join();
    EXPECT_TRUE(inhibitor.Held());
    inhibitor.Release();
    EXPECT_FALSE(inhibitor.Held());
    inhibitor.Release();
  }
  EXPECT_EQ(g_calls, (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}));
}

TEST(ExecutionStateInhibitorTest, RefusedStateIsNotHeldAndScopedHoldFollowsIt) {
  g_calls.clear();
  g_answer = 0;  // the system's answer for a failure
  ExecutionStateInhibitor refused(&RecordState);
  {
    ScopedSleepInhibit hold(&refused, "update");
    EXPECT_FALSE(hold.Held());
  }
  EXPECT_EQ(g_calls.size(), 1u);  // no release for a state never held

  // The real call, as the firmware worker makes it.
  ExecutionStateInhibitor real;
  {
    ScopedSleepInhibit hold(&real, "update");
    EXPECT_TRUE(hold.Held());
  }
  EXPECT_FALSE(real.Held());
}

}  // namespace
}  // namespace tr58k
