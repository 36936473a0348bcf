#include "vmtest/virtual_mouse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/sim/normal_firmware.h"
#include "vmtest/firmware_models.h"

namespace tr58k {
namespace {

constexpr size_t kDecoy = 0;
constexpr size_t kVendor = 1;

std::vector<uint8_t> Request(uint8_t id, uint8_t command, size_t length, uint8_t profile = 0) {
  std::vector<uint8_t> request(length, 0);
  request[0] = id;
  request[1] = command;
  request[5] = profile;
  return request;
}

// A bootloader that leaves for normal mode with a new version after any
// request, as the real one does after its finishing command.
class LeavingBootloader final : public SimFirmware {
 public:
  std::vector<SimCollection> Collections() const override { return {{0xFF01, 2}}; }
  std::vector<uint8_t> HandleRequest(std::span<const uint8_t> request,
                                     SimMouseState& state) override {
    std::vector<uint8_t> response(64, 0);
    response[1] = 1;
    response[16] = request[1];
    state.versionNumber = 0x0105;
    state.afterResponse = SimModeChange{MouseMode::kNormal, 300};
    return response;
  }
};

// A normal firmware that sends the mouse to its bootloader on command 0x3A.
class EnteringNormal final : public SimFirmware {
 public:
  std::vector<SimCollection> Collections() const override { return inner.Collections(); }
  std::vector<uint8_t> HandleRequest(std::span<const uint8_t> request,
                                     SimMouseState& state) override {
    if (request.size() > 1 && request[1] == 0x3A) {
      state.afterResponse = SimModeChange{MouseMode::kBootloader, 200};
      std::vector<uint8_t> response(64, 0);
      response[1] = 1;
      return response;
    }
    return inner.HandleRequest(request, state);
  }
  NormalFirmware inner;
};

class VirtualMouseTest : public ::testing::Test {
 protected:
  VirtualMouse& Make(VirtualMouseOptions options = {}) {
    mouse = std::make_unique<VirtualMouse>(
        clock, options, std::make_unique<EnteringNormal>(), std::make_unique<LeavingBootloader>(),
        [this](const std::string& line) { log.push_back(line); });
    return *mouse;
  }
  bool Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  ManualClock clock;
  std::vector<std::string> log;
  std::unique_ptr<VirtualMouse> mouse;
};

TEST_F(VirtualMouseTest, ShowsTheDecoyBeforeTheVendorCollectionUnderTheMouseIdentity) {
  VirtualMouseOptions options;
  options.versionNumber = 0x0031;
  VirtualMouse& m = Make(options);
  ASSERT_TRUE(m.Present());
  const auto interfaces = m.Interfaces();
  ASSERT_EQ(interfaces.size(), 2u);
  EXPECT_EQ(interfaces[kDecoy].collection.usagePage, 0x0001);
  EXPECT_FALSE(interfaces[kDecoy].takesReports);
  EXPECT_EQ(interfaces[kVendor].collection.usagePage, 0xFF01);
  EXPECT_TRUE(interfaces[kVendor].takesReports);
  for (const auto& i : interfaces) {
    EXPECT_EQ(i.productId, 0x5837);
    EXPECT_EQ(i.versionNumber, 0x0031);
  }
  EXPECT_EQ(log, std::vector<std::string>{"arrive 5837 0031"});
}

TEST_F(VirtualMouseTest, AnswersAtFullLengthWithTheAskedReportIdAndLogsTheRequest) {
  VirtualMouse& m = Make();
  const auto request = Request(0xA1, 0x07, 64);
  const SetOutcome set = m.OnSetReport(kVendor, request);
  EXPECT_TRUE(set.answer && set.ok);
  const GetOutcome get = m.OnGetReport(kVendor, 0xA1);
  ASSERT_TRUE(get.answer && get.ok);
  ASSERT_EQ(get.data.size(), kVirtualReportLength);
  EXPECT_EQ(get.data[0], 0xA1);
  EXPECT_EQ(get.data[1], 1);
  const DeviceConfigBlock factory = FactoryConfigBlock();
  EXPECT_TRUE(std::equal(factory.begin(), factory.end(), get.data.begin() + 16));
  EXPECT_TRUE(Logged("set vendor " + HexBytes(request)));
  EXPECT_TRUE(Logged("get vendor a1 01"));

  // A short answer (the slot query's 64 bytes) is still padded to the
  // declared length; the report id follows what the get asked for.
  m.OnSetReport(kVendor, Request(0xA1, 0x03, 64));
  const GetOutcome slot = m.OnGetReport(kVendor, 0xA0);
  ASSERT_EQ(slot.data.size(), kVirtualReportLength);
  EXPECT_EQ(slot.data[0], 0xA0);
  EXPECT_EQ(slot.data[1], 1);
}

// A mouse declaring 0xA1 at 1041 bytes gets the short requests zero-padded
// to that length; one declaring 64 gets them at 64.
TEST_F(VirtualMouseTest, ALongShortReportTakesTheShortRequestsZeroPadded) {
  struct Case {
    const char* what;
    bool longA1;
    size_t length;
    bool dirtyPadding;  // something else than zeros past byte 63
    uint8_t status;
  };
  const Case cases[] = {
      {"long 0xA1, padded request", true, 1041, false, 1},
      {"long 0xA1, padding not zero", true, 1041, true, 2},
      {"short 0xA1, padded request", false, 1041, false, 2},
      {"long 0xA1, request at 64", true, 64, false, 1},
  };
  for (const Case& c : cases) {
    VirtualMouseOptions options;
    if (c.longA1) options.shortReportDataBytes = kVirtualLongReportDataBytes;
    VirtualMouse& m = Make(options);
    auto request = Request(0xA1, 0x07, c.length);
    if (c.dirtyPadding) request[100] = 0x5A;
    EXPECT_TRUE(m.OnSetReport(kVendor, request).ok) << c.what;
    EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], c.status) << c.what;
    EXPECT_TRUE(Logged("set vendor " + HexBytes(request))) << c.what;
  }
}

TEST_F(VirtualMouseTest, TheDecoyFailsEveryExchangeWithoutReachingTheFirmware) {
  VirtualMouse& m = Make();
  auto write = Request(0xA0, 0x08, 1041, 0);
  write[6] = 1;
  write[16 + 0x56] = 1;  // one DPI level
  const SetOutcome set = m.OnSetReport(kDecoy, write);
  EXPECT_TRUE(set.answer);
  EXPECT_FALSE(set.ok);
  EXPECT_EQ(m.State().block, FactoryConfigBlock());
  const GetOutcome get = m.OnGetReport(kDecoy, 0xA1);
  EXPECT_TRUE(get.answer);
  EXPECT_FALSE(get.ok);
  EXPECT_TRUE(Logged("set other " + HexBytes(write)));
  EXPECT_TRUE(Logged("get other a1"));
}

TEST_F(VirtualMouseTest, WriteThenReadGivesTheWrittenBlockBack) {
  VirtualMouse& m = Make();
  auto write = Request(0xA0, 0x08, 1041, 1);
  write[6] = 1;
  write[16 + 0x34] = 0xF4;  // level 1: 500 DPI
  write[16 + 0x35] = 0x01;
  ASSERT_TRUE(m.OnSetReport(kVendor, write).ok);
  EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], 1);
  m.OnSetReport(kVendor, Request(0xA1, 0x07, 64));
  const GetOutcome read = m.OnGetReport(kVendor, 0xA1);
  EXPECT_EQ(read.data[16 + 0x34], 0xF4);
  EXPECT_EQ(read.data[16 + 0x35], 0x01);
}

TEST_F(VirtualMouseTest, EveryNthRequestIsAnsweredBusyFirst) {
  VirtualMouseOptions options;
  options.busyEvery = 2;
  options.busyCount = 3;
  VirtualMouse& m = Make(options);
  m.OnSetReport(kVendor, Request(0xA1, 0x03, 64));
  EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], 1);  // first request: no busy
  m.OnSetReport(kVendor, Request(0xA1, 0x03, 64));
  for (int i = 0; i < 3; ++i) {
    const GetOutcome busy = m.OnGetReport(kVendor, 0xA1);
    EXPECT_EQ(busy.data[0], 0xA1);
    EXPECT_EQ(busy.data[1], 4) << "poll " << i;
  }
  EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], 1);
  m.OnSetReport(kVendor, Request(0xA1, 0x03, 64));
  EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], 1);  // third: no busy
  EXPECT_EQ(std::count(log.begin(), log.end(), "get vendor a1 04"), 3);
}

TEST_F(VirtualMouseTest, UnplugTriggerLeavesTheRequestUnansweredAndReplugsOnTime) {
  VirtualMouseOptions options;
  options.unplugAt = UnplugTrigger{0x08, 2};
  options.replugAfterMs = 500;
  VirtualMouse& m = Make(options);
  auto write = Request(0xA0, 0x08, 1041);
  write[6] = 1;
  EXPECT_TRUE(m.OnSetReport(kVendor, write).answer);  // the first write passes
  m.OnGetReport(kVendor, 0xA1);
  const uint64_t generation = m.Generation();
  const SetOutcome second = m.OnSetReport(kVendor, write);
  EXPECT_FALSE(second.answer);
  EXPECT_FALSE(m.Present());
  EXPECT_NE(m.Generation(), generation);
  EXPECT_TRUE(m.Interfaces().empty());
  EXPECT_TRUE(Logged("unplug at 08"));
  EXPECT_FALSE(m.OnGetReport(kVendor, 0xA1).answer);

  clock.Advance(499);
  EXPECT_EQ(m.Tick(), std::optional<uint64_t>(500));
  EXPECT_FALSE(m.Present());
  clock.Advance(1);
  EXPECT_EQ(m.Tick(), std::nullopt);
  EXPECT_TRUE(m.Present());
  EXPECT_EQ(log.back(), "arrive 5837 0026");
}

TEST_F(VirtualMouseTest, MutedItTakesRequestsButAnswersNoGet) {
  VirtualMouseOptions options;
  options.muteAt = MuteTrigger{0x07, 1};
  VirtualMouse& m = Make(options);
  m.OnSetReport(kVendor, Request(0xA1, 0x03, 64));
  EXPECT_TRUE(m.OnGetReport(kVendor, 0xA1).answer);  // before the trigger
  EXPECT_TRUE(m.OnSetReport(kVendor, Request(0xA1, 0x07, 64)).answer);
  EXPECT_FALSE(m.OnGetReport(kVendor, 0xA1).answer);
  EXPECT_FALSE(m.OnGetReport(kVendor, 0xA1).answer);
  EXPECT_TRUE(m.Present());
  EXPECT_TRUE(Logged("mute at 07"));
  EXPECT_TRUE(Logged("get vendor a1 unanswered"));
}

TEST_F(VirtualMouseTest, WithoutReplugTheMouseStaysOutUntilPlugged) {
  VirtualMouse& m = Make();
  m.Unplug();
  clock.Advance(60000);
  EXPECT_EQ(m.Tick(), std::nullopt);
  EXPECT_FALSE(m.Present());
  m.Plug();
  EXPECT_TRUE(m.Present());
  EXPECT_EQ(m.Interfaces().size(), 2u);
}

TEST_F(VirtualMouseTest, ReenumeratesAfterTheAnswerIsReadNotOnABusyAnswer) {
  VirtualMouseOptions options;
  options.busyEvery = 1;
  VirtualMouse& m = Make(options);
  auto enter = Request(0xA1, 0x3A, 64);
  ASSERT_TRUE(m.OnSetReport(kVendor, enter).ok);
  EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], 4);
  EXPECT_TRUE(m.Present());  // a busy answer is not the answer
  EXPECT_EQ(m.OnGetReport(kVendor, 0xA1).data[1], 1);
  // It answers, then leaves once the caller has had time to take the answer.
  EXPECT_TRUE(m.Present());
  EXPECT_EQ(m.Tick(), std::optional<uint64_t>(kLeaveAfterAnswerMs));
  clock.Advance(kLeaveAfterAnswerMs);
  EXPECT_EQ(m.Tick(), std::optional<uint64_t>(kLeaveAfterAnswerMs + 200));
  EXPECT_FALSE(m.Present());
  EXPECT_TRUE(m.Interfaces().empty());

  clock.Advance(200);
  m.Tick();
  ASSERT_TRUE(m.Present());
  const auto boot = m.Interfaces();
  ASSERT_EQ(boot.size(), 1u);
  EXPECT_EQ(boot[0].productId, 0x5836);
  EXPECT_TRUE(boot[0].takesReports);
  EXPECT_EQ(log.back(), "arrive 5836 0026");

  // The bootloader's finish: back in normal mode with the new version, the
  // configuration block kept.
  m.OnSetReport(0, Request(0xA0, 0x09, 1041));
  m.OnGetReport(0, 0xA0);  // busy
  m.OnGetReport(0, 0xA0);
  clock.Advance(kLeaveAfterAnswerMs);
  m.Tick();
  clock.Advance(300);
  m.Tick();
  ASSERT_EQ(m.Interfaces().size(), 2u);
  EXPECT_EQ(m.Interfaces()[1].productId, 0x5837);
  EXPECT_EQ(log.back(), "arrive 5837 0105");
  EXPECT_EQ(m.State().block, FactoryConfigBlock());
}

TEST_F(VirtualMouseTest, PulledOutWhileAboutToLeaveItComesBackInTheNewMode) {
  VirtualMouse& m = Make();
  m.OnSetReport(kVendor, Request(0xA1, 0x3A, 64));
  m.OnGetReport(kVendor, 0xA1);
  m.Unplug();
  clock.Advance(kLeaveAfterAnswerMs + 1000);
  EXPECT_EQ(m.Tick(), std::nullopt);
  EXPECT_FALSE(m.Present());
  m.Plug();
  ASSERT_EQ(m.Interfaces().size(), 1u);
  EXPECT_EQ(m.Interfaces()[0].productId, 0x5836);
}

TEST_F(VirtualMouseTest, AnInterfaceThatIsNotThereIsNotAnswered) {
  VirtualMouse& m = Make();
  EXPECT_FALSE(m.OnSetReport(7, Request(0xA1, 0x07, 64)).answer);
  EXPECT_FALSE(m.OnGetReport(7, 0xA1).answer);
}

TEST(HexBytesTest, TwoLowerCaseDigitsPerByte) {
  const std::vector<uint8_t> bytes{0x00, 0xA1, 0x0F, 0xFF};
  EXPECT_EQ(HexBytes(bytes), "00a10fff");
  EXPECT_EQ(HexBytes({}), "");
}

TEST(FirmwareModelsTest, NormalModeShowsTheDecoyAndTheVendorCollection) {
  const auto collections = MakeNormalFirmware()->Collections();
  ASSERT_EQ(collections.size(), 2u);
  EXPECT_EQ(collections[1].usagePage, 0xFF01);
  const auto boot = MakeBootloaderFirmware()->Collections();
  ASSERT_FALSE(boot.empty());
  EXPECT_TRUE(std::any_of(boot.begin(), boot.end(), [](const SimCollection& c) {
    return c.usagePage == 0xFF01 && c.usage == 2;
  }));
}

}  // namespace
}  // namespace tr58k
