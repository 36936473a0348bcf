#include "device/config_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "device/sim/normal_firmware.h"
#include "testing/sim_rig.h"

namespace tr58k {
namespace {

class ConfigCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
    rig.mouse.ClearLog();
    rig.trace.clear();
  }
  std::vector<uint32_t> Sleeps() const { return rig.clock.Sleeps(); }

  // A settings record unlike anything the mouse holds, to see it untouched.
  static DeviceSettings Sentinel() {
    DeviceSettings s;
    s.dpiLevelCount = 0x77;
    s.levels[0].dpiX = 1234;
    return s;
  }

  SimRig rig;
};

TEST_F(ConfigCommandsTest, ReadConfigurationDecodesTheMouseBlock) {
  DeviceConfigBlock block = FactoryConfigBlock();
  block[0x34] = 0x80;  // level 1 at 3200 DPI
  block[0x35] = 0x0C;
  block[0x56] = 2;
  rig.mouse.SetBlock(block);
  DeviceSettings out;
  out.name[0] = 'Q';

  EXPECT_EQ(ReadConfiguration(rig.link, out), kCommandOk);
  EXPECT_EQ(out.levels[0].dpiX, 3200);
  EXPECT_EQ(out.dpiLevelCount, 2);
  EXPECT_EQ(out.activeLevel, 2);
  EXPECT_EQ(out.name[0], 'Q');  // the name is not read back
  EXPECT_EQ(Sleeps(), std::vector<uint32_t>{80});
  ShortReport expected{0xA1, 0x07};
  EXPECT_EQ(rig.mouse.Requests(),
            (std::vector<std::vector<uint8_t>>{{expected.begin(), expected.end()}}));
}

TEST_F(ConfigCommandsTest, ReadConfigurationSleepsEvenWhenTheSendFails) {
  rig.mouse.AddFault(Fault::SetError(hid_error::kGeneralFailure));
  DeviceSettings out = Sentinel();
  EXPECT_EQ(ReadConfiguration(rig.link, out), kCommandFailed);
  EXPECT_EQ(out, Sentinel());
  EXPECT_EQ(Sleeps(), std::vector<uint32_t>{80});
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 0u);
}

TEST_F(ConfigCommandsTest, ReadConfigurationFailures) {
  struct Case {
    const char* what;
    Fault fault;
  };
  const Case cases[] = {
      {"status 2", Fault::Status(2)},
      {"status 0", Fault::Status(0)},
      {"read fails", Fault::GetError(hid_error::kGeneralFailure)},
      {"read retries run out", Fault::GetError(hid_error::kNotReady, 4)},
      {"busy to the end", Fault::BusyForever()},
      {"unplugged before the read", Fault::UnplugBefore(SimExchangeKind::kGet)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rig.mouse.Plug();
    ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
    rig.mouse.ClearFaults();
    rig.mouse.AddFault(c.fault);
    DeviceSettings out = Sentinel();
    EXPECT_EQ(ReadConfiguration(rig.link, out), kCommandFailed);
    EXPECT_EQ(out, Sentinel());
  }
}

TEST_F(ConfigCommandsTest, BusyForeverCostsTenReadsAndFourAndAHalfSeconds) {
  rig.mouse.AddFault(Fault::BusyForever().ForCommand(kCommandReadConfiguration));
  DeviceSettings out;
  EXPECT_EQ(ReadConfiguration(rig.link, out), kCommandFailed);
  EXPECT_EQ(rig.Count(SimExchangeKind::kGet), 11u);
  EXPECT_EQ(rig.clock.TotalSleptMs(), 80u + 4500u);
}

TEST_F(ConfigCommandsTest, ReadProfileSlotAcceptsUpToFour) {
  for (uint8_t slot : {0, 3, 4}) {
    rig.mouse.SetSelectedSlot(slot);
    uint8_t out = 0xEE;
    EXPECT_EQ(ReadProfileSlot(rig.link, out), kCommandOk);
    EXPECT_EQ(out, slot);
  }
  EXPECT_EQ(Sleeps(), (std::vector<uint32_t>{10, 10, 10}));
}

TEST_F(ConfigCommandsTest, ReadProfileSlotRefusesFiveAndAbove) {
  for (uint8_t slot : {5, 0xFF}) {
    rig.mouse.AddFault(Fault::SlotAnswer(slot));
    uint8_t out = 0xEE;
    EXPECT_EQ(ReadProfileSlot(rig.link, out), kCommandFailed);
    EXPECT_EQ(out, 0xEE);
  }
}

TEST_F(ConfigCommandsTest, ReadProfileSlotDoesNotJudgeTheStatus) {
  rig.mouse.SetSelectedSlot(1);
  rig.mouse.AddFault(Fault::Status(2));
  uint8_t out = 0xEE;
  EXPECT_EQ(ReadProfileSlot(rig.link, out), kCommandOk);
  EXPECT_EQ(out, 1);
}

TEST_F(ConfigCommandsTest, ReadProfileSlotFailedSendDoesNotWait) {
  rig.mouse.AddFault(Fault::SetError(31));
  uint8_t out = 0xEE;
  EXPECT_EQ(ReadProfileSlot(rig.link, out), kCommandFailed);
  EXPECT_TRUE(Sleeps().empty());
  rig.mouse.AddFault(Fault::GetError(31));
  EXPECT_EQ(ReadProfileSlot(rig.link, out), kCommandFailed);
  EXPECT_EQ(out, 0xEE);
}

DeviceSettings SampleSettings() {
  MouseSettings settings;
  settings.profileName = u"Profile";
  settings.dpi[1] = {1250, 1250};
  DeviceSettings device;
  ToDeviceSettings(settings, device);
  return device;
}

TEST_F(ConfigCommandsTest, WriteConfigurationRequestIsByteExact) {
  const DeviceSettings settings = SampleSettings();
  EXPECT_EQ(WriteConfiguration(rig.link, settings, 0), kCommandOk);

  DeviceConfigBlock block{};
  EncodeConfigBlock(settings, block);
  std::vector<uint8_t> expected = {0xA0, 0x08, 0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  expected.insert(expected.end(), block.begin(), block.end());
  expected.push_back(0);
  ASSERT_EQ(rig.mouse.Requests().size(), 1u);
  EXPECT_EQ(rig.mouse.Requests()[0], expected);
  EXPECT_EQ(rig.mouse.Block(), block);
  EXPECT_EQ(Sleeps(), std::vector<uint32_t>{80});
}

TEST_F(ConfigCommandsTest, WriteConfigurationCarriesTheProfileNumber) {
  EXPECT_EQ(WriteConfiguration(rig.link, SampleSettings(), 3), kCommandOk);
  EXPECT_EQ(rig.mouse.Requests().at(0).at(5), 3);
}

TEST_F(ConfigCommandsTest, WriteAndSelectDoNotJudgeAnOrdinaryStatus) {
  rig.mouse.AddFault(Fault::Status(3));
  EXPECT_EQ(WriteConfiguration(rig.link, SampleSettings(), 0), kCommandOk);
  rig.mouse.AddFault(Fault::Status(3));
  EXPECT_EQ(SelectProfile(rig.link, 0), kCommandOk);
}

TEST_F(ConfigCommandsTest, WriteAndSelectStillBusyAfterTheWaitFail) {
  rig.mouse.AddFault(Fault::BusyForever());
  EXPECT_EQ(WriteConfiguration(rig.link, SampleSettings(), 0), kCommandFailed);
  EXPECT_EQ(SelectProfile(rig.link, 0), kCommandFailed);
}

TEST_F(ConfigCommandsTest, WriteConfigurationSleepsEvenWhenTheSendFails) {
  rig.mouse.AddFault(Fault::SetError(hid_error::kWriteFault, 4));
  const DeviceConfigBlock before = rig.mouse.Block();
  EXPECT_EQ(WriteConfiguration(rig.link, SampleSettings(), 0), kCommandFailed);
  EXPECT_EQ(Sleeps(), (std::vector<uint32_t>{50, 50, 50, 80}));
  EXPECT_EQ(rig.mouse.Block(), before);
  rig.mouse.AddFault(Fault::GetError(hid_error::kGeneralFailure));
  EXPECT_EQ(WriteConfiguration(rig.link, SampleSettings(), 0), kCommandFailed);
}

TEST_F(ConfigCommandsTest, SelectProfileRequestAndWait) {
  EXPECT_EQ(SelectProfile(rig.link, 2), kCommandOk);
  EXPECT_EQ(rig.mouse.SelectedSlot(), 2);
  ShortReport expected{0xA1, 0x04, 0, 0, 0, 2};
  EXPECT_EQ(rig.mouse.Requests().at(0), std::vector<uint8_t>(expected.begin(), expected.end()));
  EXPECT_EQ(Sleeps(), std::vector<uint32_t>{1500});
}

TEST_F(ConfigCommandsTest, SelectProfileFailedSendReturnsAtOnce) {
  rig.mouse.AddFault(Fault::SetError(hid_error::kGeneralFailure));
  EXPECT_EQ(SelectProfile(rig.link, 0), kCommandFailed);
  EXPECT_TRUE(Sleeps().empty());
  rig.mouse.AddFault(Fault::GetError(hid_error::kGeneralFailure));
  EXPECT_EQ(SelectProfile(rig.link, 0), kCommandFailed);
}

TEST_F(ConfigCommandsTest, CommandsOnAClosedLinkFail) {
  CloseHidDevice(rig.link);
  DeviceSettings settings;
  uint8_t slot = 0;
  EXPECT_EQ(ReadConfiguration(rig.link, settings), kCommandFailed);
  EXPECT_EQ(ReadProfileSlot(rig.link, slot), kCommandFailed);
  EXPECT_EQ(WriteConfiguration(rig.link, settings, 0), kCommandFailed);
  EXPECT_EQ(SelectProfile(rig.link, 0), kCommandFailed);
  EXPECT_TRUE(rig.mouse.Exchanges().empty());
}

TEST_F(ConfigCommandsTest, ApplySequenceWaitsAtLeast1590Ms) {
  uint8_t slot = 0xEE;
  ASSERT_EQ(ReadProfileSlot(rig.link, slot), kCommandOk);
  ASSERT_EQ(WriteConfiguration(rig.link, SampleSettings(), 1), kCommandOk);
  ASSERT_EQ(SelectProfile(rig.link, 1), kCommandOk);
  EXPECT_EQ(Sleeps(), (std::vector<uint32_t>{10, 80, 1500}));
  DeviceSettings readBack;
  ASSERT_EQ(ReadConfiguration(rig.link, readBack), kCommandOk);
  DeviceSettings expected = SampleSettings();
  expected.name = readBack.name;  // never decoded
  EXPECT_EQ(readBack, expected);
  EXPECT_EQ(rig.mouse.SelectedSlot(), 1);
}

}  // namespace
}  // namespace tr58k
