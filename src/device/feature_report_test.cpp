#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "device/config_commands.h"
#include "device/device_link.h"
#include "testing/sim_rig.h"

namespace tr58k {
namespace {

class FeatureReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
    rig.trace.clear();
    rig.mouse.ClearLog();
  }
  int Send() { return SendFeatureReport(rig.link, request.data(), request.size()); }
  // Sends the configuration read request and reads its 1041-byte answer.
  int SendThenReceive() {
    EXPECT_EQ(Send(), 1);
    rig.mouse.ClearLog();
    response = LongReport{report::kIdShort};
    return ReceiveFeatureReport(rig.link, response.data(), response.size());
  }

  SimRig rig;
  ShortReport request{report::kIdShort, kCommandReadConfiguration};
  LongReport response{};
};

TEST_F(FeatureReportTest, SendTracesTheBytesSent) {
  request[5] = 0xAB;
  EXPECT_EQ(Send(), 1);
  std::string expected = "set 64 a1 07 00 00 00 ab";
  for (int i = 6; i < 64; ++i) expected += " 00";
  EXPECT_EQ(rig.trace, std::vector<std::string>{expected});
  EXPECT_TRUE(rig.clock.Sleeps().empty());
}

struct RetryCase {
  uint32_t code;
  uint32_t failures;  // consecutive failing calls
  int result;
  size_t attempts;
  std::vector<uint32_t> sleeps;
};

class SendRetryTest : public FeatureReportTest,
                      public ::testing::WithParamInterface<RetryCase> {};

TEST_P(SendRetryTest, RetriesOnlyTheFiveCodes) {
  const RetryCase& c = GetParam();
  rig.mouse.AddFault(Fault::SetError(c.code, c.failures));
  EXPECT_EQ(Send(), c.result);
  EXPECT_EQ(rig.Count(SimExchangeKind::kSet), c.attempts);
  EXPECT_EQ(rig.clock.Sleeps(), c.sleeps);
  EXPECT_EQ(rig.trace.front(), "fail set " + std::to_string(c.code));
}

class ReceiveRetryTest : public FeatureReportTest,
                         public ::testing::WithParamInterface<RetryCase> {};

TEST_P(ReceiveRetryTest, RetriesOnlyTheFiveCodes) {
  const RetryCase& c = GetParam();
  rig.mouse.AddFault(Fault::GetError(c.code, c.failures));
  rig.trace.clear();
  EXPECT_EQ(SendThenReceive(), c.result);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), c.attempts);
  EXPECT_EQ(rig.clock.Sleeps(), c.sleeps);
  EXPECT_EQ(rig.trace[1], "fail get " + std::to_string(c.code));
  if (c.result == 1) {
    EXPECT_EQ(response[1], report::kStatusDone);
  }
}

const std::vector<RetryCase> kRetryCases = {
    // Each retryable code: four failures exhaust the retries.
    {21, 4, 0, 4, {50, 50, 50}},
    {23, 4, 0, 4, {50, 50, 50}},
    {29, 4, 0, 4, {50, 50, 50}},
    {87, 4, 0, 4, {50, 50, 50}},
    {1627, 4, 0, 4, {50, 50, 50}},
    // Success on the second attempt costs no sleep, on the fourth 100 ms.
    {1627, 1, 1, 2, {}},
    {21, 3, 1, 4, {50, 50}},
    // Anything else: one attempt, no sleep.
    {31, 1, 0, 1, {}},
    {hid_error::kDeviceNotConnected, 1, 0, 1, {}},
    {hid_error::kAccessDenied, 1, 0, 1, {}},
};

INSTANTIATE_TEST_SUITE_P(Codes, SendRetryTest, ::testing::ValuesIn(kRetryCases));
INSTANTIATE_TEST_SUITE_P(Codes, ReceiveRetryTest, ::testing::ValuesIn(kRetryCases));

TEST_F(FeatureReportTest, BusyOnceThenDoneReadsOnceMoreWithoutSleeping) {
  rig.mouse.AddFault(Fault::Busy(1));
  EXPECT_EQ(SendThenReceive(), 1);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 2u);
  EXPECT_TRUE(rig.clock.Sleeps().empty());
  EXPECT_EQ(response[1], report::kStatusDone);
}

TEST_F(FeatureReportTest, BusyForeverPollsTenTimesForFourAndAHalfSeconds) {
  rig.mouse.AddFault(Fault::BusyForever());
  EXPECT_EQ(SendThenReceive(), 1);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 11u);
  EXPECT_EQ(rig.clock.Sleeps(),
            (std::vector<uint32_t>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
  EXPECT_EQ(rig.clock.TotalSleptMs(), 4500u);
  EXPECT_EQ(response[1], report::kStatusBusy);
}

TEST_F(FeatureReportTest, BusyThenAnotherStatusPollsOnWithoutSleeping) {
  rig.mouse.AddFault(Fault::Busy(1));
  rig.mouse.AddFault(Fault::Status(3, Fault::kForever));
  EXPECT_EQ(SendThenReceive(), 1);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 11u);
  EXPECT_TRUE(rig.clock.Sleeps().empty());
  EXPECT_EQ(response[1], 3);
}

TEST_F(FeatureReportTest, FailedPollGoesStraightToTheNextOne) {
  rig.mouse.AddFault(Fault::Busy(2));
  rig.mouse.AddFault(Fault::GetError(hid_error::kGeneralFailure));
  EXPECT_EQ(SendThenReceive(), 1);
  // busy, busy (sleep 0), failed read, done
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 4u);
  EXPECT_EQ(rig.clock.Sleeps(), std::vector<uint32_t>{0});
}

TEST_F(FeatureReportTest, BusyWaitEndingInAFailedReadFails) {
  rig.mouse.AddFault(Fault::Busy(10));
  rig.mouse.AddFault(Fault::GetError(hid_error::kCrc));
  EXPECT_EQ(SendThenReceive(), 0);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 11u);
  // Nine busy polls slept 0..800; the tenth read failed and is not retried.
  EXPECT_EQ(rig.clock.TotalSleptMs(), 3600u);
}

TEST_F(FeatureReportTest, NoBusyWaitAfterASuccessfulRetry) {
  rig.mouse.AddFault(Fault::GetError(hid_error::kFunctionFailed));
  rig.mouse.AddFault(Fault::Busy(1));
  EXPECT_EQ(SendThenReceive(), 1);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 2u);
  EXPECT_EQ(response[1], report::kStatusBusy);
}

TEST_F(FeatureReportTest, GetIsTracedAsReceived) {
  ShortReport shortResponse{report::kIdShort};
  request[1] = kCommandReadProfileSlot;
  rig.mouse.SetSelectedSlot(3);
  ASSERT_EQ(Send(), 1);
  rig.trace.clear();
  ASSERT_EQ(ReceiveFeatureReport(rig.link, shortResponse.data(), shortResponse.size()), 1);
  std::string expected = "get 64 a1 01";
  for (int i = 2; i < 64; ++i) expected += i == 16 ? " 03" : " 00";
  EXPECT_EQ(rig.trace, std::vector<std::string>{expected});
}

// A device that scribbles over the buffer when it fails, and remembers which
// report id each read asked for.
class ScribblingBackend final : public HidBackend {
 public:
  class Device final : public HidDevice {
   public:
    explicit Device(ScribblingBackend& owner) : owner_(owner) {}
    uint32_t SetFeature(const uint8_t*, size_t) override { return hid_error::kNone; }
    uint32_t GetFeature(uint8_t* data, size_t length) override {
      owner_.askedIds.push_back(data[0]);
      if (owner_.askedIds.size() == 1) {
        std::fill(data, data + length, uint8_t{0xEE});
        return hid_error::kNotReady;
      }
      data[1] = report::kStatusDone;
      return hid_error::kNone;
    }

   private:
    ScribblingBackend& owner_;
  };
  std::vector<HidInterfaceInfo> Enumerate() override {
    HidInterfaceInfo info;
    info.path = "x";
    info.vendorId = kVendorId;
    info.productId = kMouseProductId;
    info.usagePage = kVendorUsagePage;
    info.usage = kVendorUsage;
    return {info};
  }
  std::unique_ptr<HidDevice> Open(const std::string&, uint32_t*) override {
    return std::make_unique<Device>(*this);
  }
  std::unique_ptr<HidMonitor> CreateMonitor() override { return nullptr; }
  std::vector<uint8_t> askedIds;
};

TEST(ReceiveFeatureReport, EveryReadAsksForTheCallersReportId) {
  ManualClock clock;
  ScribblingBackend backend;
  DeviceLink link(backend, clock);
  ASSERT_EQ(OpenHidDevice(link, kMouseProductId), 1);
  ShortReport buffer{report::kIdShort};
  EXPECT_EQ(ReceiveFeatureReport(link, buffer.data(), buffer.size()), 1);
  EXPECT_EQ(backend.askedIds, (std::vector<uint8_t>{0xA1, 0xA1}));
  EXPECT_EQ(buffer[0], 0xA1);
}

TEST(ReceiveFeatureReport, ClosedLinkFailsWithoutRetrying) {
  SimRig rig;
  ShortReport buffer{report::kIdShort};
  EXPECT_EQ(ReceiveFeatureReport(rig.link, buffer.data(), buffer.size()), 0);
  EXPECT_EQ(rig.trace, std::vector<std::string>{"fail get 6"});
  EXPECT_TRUE(rig.clock.Sleeps().empty());
}

}  // namespace
}  // namespace tr58k
