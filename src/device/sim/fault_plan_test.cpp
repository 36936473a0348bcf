#include "device/sim/fault_plan.h"

#include <gtest/gtest.h>

namespace tr58k {
namespace {

constexpr auto kSet = SimExchangeKind::kSet;
constexpr auto kGet = SimExchangeKind::kGet;
constexpr auto kOpen = SimExchangeKind::kOpen;

TEST(FaultPlan, HitsTheRightNumberOfMatchingExchanges) {
  FaultPlan plan;
  plan.Add(Fault::SetError(29, 2));
  EXPECT_FALSE(plan.Next(kGet, 0x07));  // another kind passes by
  EXPECT_EQ(plan.Next(kSet, 0x07)->code, 29u);
  EXPECT_EQ(plan.Next(kSet, 0x03)->code, 29u);
  EXPECT_FALSE(plan.Next(kSet, 0x07));
  EXPECT_EQ(plan.Pending(), 0u);
}

TEST(FaultPlan, NthCountsOnlyMatchingExchanges) {
  FaultPlan plan;
  plan.Add(Fault::GetError(31).ForCommand(0x04).Nth(2));
  EXPECT_FALSE(plan.Next(kGet, 0x04));
  EXPECT_FALSE(plan.Next(kGet, 0x07));
  EXPECT_FALSE(plan.Next(kSet, 0x04));
  EXPECT_TRUE(plan.Next(kGet, 0x04));
  EXPECT_FALSE(plan.Next(kGet, 0x04));
}

TEST(FaultPlan, ForeverNeverRunsOut) {
  FaultPlan plan;
  plan.Add(Fault::BusyForever());
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(plan.Next(kGet, 0x07)->effect, FaultEffect::kBusy);
  EXPECT_EQ(plan.Pending(), 1u);
  plan.Clear();
  EXPECT_FALSE(plan.Next(kGet, 0x07));
}

TEST(FaultPlan, OneFaultPerExchangeInTheOrderAdded) {
  FaultPlan plan;
  plan.Add(Fault::GetError(21));
  plan.Add(Fault::Busy(1));
  plan.Add(Fault::Status(2).Nth(2));  // counts the first get, hits the second
  EXPECT_EQ(plan.Next(kGet, 0x07)->effect, FaultEffect::kError);
  // The busy fault was passed over, not used up: it now waits ahead of the
  // status fault, which has reached its turn.
  EXPECT_EQ(plan.Next(kGet, 0x07)->effect, FaultEffect::kBusy);
  EXPECT_EQ(plan.Next(kGet, 0x07)->effect, FaultEffect::kStatus);
  EXPECT_FALSE(plan.Next(kGet, 0x07));
}

TEST(FaultPlan, OpensHaveNoCommand) {
  FaultPlan plan;
  plan.Add(Fault::OpenError(5).ForCommand(0x07));
  EXPECT_FALSE(plan.Next(kOpen, std::nullopt));
  plan.Clear();
  plan.Add(Fault::OpenError(5));
  EXPECT_EQ(plan.Next(kOpen, std::nullopt)->code, 5u);
}

TEST(FaultPlan, ZeroTimesAddsNothing) {
  FaultPlan plan;
  plan.Add(Fault::SetError(31, 0));
  EXPECT_EQ(plan.Pending(), 0u);
}

TEST(FaultPlan, BuildersDescribeTheirExchange) {
  const Fault slot = Fault::SlotAnswer(5);
  EXPECT_EQ(slot.on, kGet);
  EXPECT_EQ(slot.effect, FaultEffect::kResponseByte);
  EXPECT_EQ(slot.offset, 16u);
  EXPECT_EQ(slot.value, 5);
  EXPECT_EQ(slot.command, 0x03);
  EXPECT_EQ(Fault::UnplugBefore(kSet).on, kSet);
  EXPECT_EQ(Fault::UnplugBefore(kSet).effect, FaultEffect::kUnplug);
}

}  // namespace
}  // namespace tr58k
