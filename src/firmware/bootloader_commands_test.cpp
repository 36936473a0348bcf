#include "firmware/bootloader_commands.h"

#include <gtest/gtest.h>

#include "testing/firmware_rig.h"

namespace tr58k {
namespace {

FirmwareBlock Block(uint8_t seed) {
  FirmwareBlock block;
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(seed ^ (i * 13));
  return block;
}

// The mouse in its bootloader, the link open to it.
class BootloaderCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenHidDevice(f.rig.link, kBootloaderProductId), 1);
    f.rig.mouse.ClearLog();
  }
  std::vector<uint8_t> LastRequest() const { return f.rig.mouse.Requests().back(); }
  std::vector<uint32_t> Sleeps() const { return f.rig.clock.Sleeps(); }

  FirmwareRig f{{}, {.mode = MouseMode::kBootloader}};
  DeviceLink& link = f.rig.link;
};

TEST_F(BootloaderCommandsTest, RequestsCarryTheirFieldsAtTheirOffsetsAndWaitTheirTime) {
  EXPECT_EQ(BeginTransfer(link, 0x11223344, 21), 1);
  std::vector<uint8_t> expected(kLongReportLength, 0);
  expected[0] = 0xA0;
  expected[1] = 0x03;
  expected[16] = 21;
  expected[17] = 0x44, expected[18] = 0x33, expected[19] = 0x22, expected[20] = 0x11;
  EXPECT_EQ(LastRequest(), expected);

  const FirmwareBlock block = Block(7);
  EXPECT_EQ(WriteBlock(link, block, 9), 1);
  expected.assign(kLongReportLength, 0);
  expected[0] = 0xA0;
  expected[1] = 0x06;
  expected[2] = 9;
  expected[3] = BlockChecksum(block) & 0xFF;
  expected[4] = BlockChecksum(block) >> 8;
  std::copy(block.begin(), block.end(), expected.begin() + 16);
  EXPECT_EQ(LastRequest(), expected);

  LongReport readBack{};
  EXPECT_EQ(ReadBlock(link, readBack, 9), 1);
  EXPECT_EQ(LastRequest()[2], 9);
  EXPECT_EQ(readBack[6] | readBack[7] << 8, BlockChecksum(block));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), readBack.begin() + 16));

  EXPECT_EQ(SendFirstBlock(link, block), 1);
  EXPECT_EQ(LastRequest()[1], 0x01);
  EXPECT_EQ(LastRequest()[2], 0x01);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), LastRequest().begin() + 16));

  BootInfo info{};
  EXPECT_EQ(ReadBootInfo(link, info), 1);
  EXPECT_EQ(BootInfoVendorId(info), 0x4C95);
  EXPECT_EQ(BootInfoProductId(info), 0x5836);
  EXPECT_EQ(FinishTransfer(link), 1);
  EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{[] {
              std::vector<uint8_t> finish(kLongReportLength, 0);
              finish[0] = 0xA0, finish[1] = 0x09;
              return finish;
            }()}));
  for (const auto& request : f.rig.mouse.Requests()) EXPECT_EQ(request.size(), 1041u);
  EXPECT_EQ(Sleeps(), (std::vector<uint32_t>{50, 100, 20, 20, 100, 50}));
}

TEST_F(BootloaderCommandsTest, EnterBootloaderSendsTheEntryCodeAndDoesNotJudgeTheAnswer) {
  // The bootloader rejects 0x3A (status 2), yet the command only asks
  // whether an answer came.
  EXPECT_EQ(EnterBootloader(link), 1);
  std::vector<uint8_t> expected(kLongReportLength, 0);
  expected[0] = 0xA1, expected[1] = 0x3A, expected[5] = 0x6C, expected[6] = 0x93, expected[7] = 0x1E;
  EXPECT_EQ(LastRequest(), expected);
  EXPECT_TRUE(Sleeps().empty());

  f.rig.mouse.AddFault(Fault::GetError(hid_error::kGeneralFailure));
  EXPECT_EQ(EnterBootloader(link), 2);
  f.rig.mouse.AddFault(Fault::SetError(hid_error::kGeneralFailure));
  EXPECT_EQ(EnterBootloader(link), 2);
  EXPECT_TRUE(Sleeps().empty());
}

TEST_F(BootloaderCommandsTest, AFailedSendStillWaitsAndGivesTwoWithoutReading) {
  struct Case {
    const char* name;
    std::function<uint8_t()> run;
    uint32_t wait;
  };
  const FirmwareBlock block = Block(1);
  BootInfo info{};
  LongReport out{};
  const Case cases[] = {
      {"ReadBootInfo", [&] { return ReadBootInfo(link, info); }, 100},
      {"BeginTransfer", [&] { return BeginTransfer(link, 0, 1); }, 50},
      {"WriteBlock", [&] { return WriteBlock(link, block, 9); }, 100},
      {"SendFirstBlock", [&] { return SendFirstBlock(link, block); }, 20},
      {"ReadBlock", [&] { return ReadBlock(link, out, 9); }, 20},
      {"FinishTransfer", [&] { return FinishTransfer(link); }, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.rig.clock.ClearSleeps();
    f.rig.mouse.ClearLog();
    f.rig.mouse.AddFault(Fault::SetError(hid_error::kGeneralFailure));
    EXPECT_EQ(c.run(), 2);
    EXPECT_EQ(Sleeps(), std::vector<uint32_t>{c.wait});
    EXPECT_EQ(f.rig.Count(SimExchangeKind::kGet), 0u);
  }
}

TEST_F(BootloaderCommandsTest, AFailedReadGivesZeroAndHandsNothingOut) {
  const FirmwareBlock block = Block(1);
  ASSERT_EQ(BeginTransfer(link, 0, 1), 1);
  ASSERT_EQ(WriteBlock(link, block, 9), 1);
  BootInfo info;
  info.fill(0xCC);
  LongReport out;
  out.fill(0xCC);
  const std::vector<std::function<uint8_t()>> commands = {
      [&] { return ReadBootInfo(link, info); }, [&] { return BeginTransfer(link, 0, 1); },
      [&] { return WriteBlock(link, block, 9); }, [&] { return SendFirstBlock(link, block); },
      [&] { return ReadBlock(link, out, 9); },    [&] { return FinishTransfer(link); }};
  for (size_t i = 0; i < commands.size(); ++i) {
    f.rig.mouse.AddFault(Fault::GetError(hid_error::kGeneralFailure));
    EXPECT_EQ(commands[i](), 0) << "command " << i;
  }
  EXPECT_EQ(info[0], 0xCC);
  EXPECT_EQ(out[0], 0xCC);
}

TEST_F(BootloaderCommandsTest, StatusBytesPassThroughAndOnlyADoneReadBackIsHandedOut) {
  const FirmwareBlock block = Block(3);
  ASSERT_EQ(BeginTransfer(link, 0, 1), 1);
  EXPECT_EQ(WriteBlock(link, block, 10), kSimStatusRejected) << "outside the announced count";
  ASSERT_EQ(WriteBlock(link, block, 9), 1);

  LongReport out;
  out.fill(0xCC);
  f.rig.mouse.AddFault(Fault::Status(7).ForCommand(boot::kReadBlock));
  EXPECT_EQ(ReadBlock(link, out, 9), 7);
  EXPECT_EQ(out[16], 0xCC);

  // A bootloader that stays busy through the link's whole busy wait.
  f.rig.mouse.AddFault(Fault::BusyForever().ForCommand(boot::kFinishTransfer));
  EXPECT_EQ(FinishTransfer(link), 4);

  BootInfo info{};
  f.rig.mouse.AddFault(Fault::Status(3).ForCommand(boot::kReadBootInfo));
  EXPECT_EQ(ReadBootInfo(link, info), 3);
  EXPECT_EQ(BootInfoProductId(info), 0x5836) << "handed out whatever the status";
}

TEST_F(BootloaderCommandsTest, SendFirstBlockFailsWhenTheEchoDiffersInOneByte) {
  const FirmwareBlock block = Block(9);
  f.rig.mouse.AddFault(Fault::ResponseByte(16 + 1023, static_cast<uint8_t>(block[1023] ^ 1))
                           .ForCommand(boot::kSendFirstBlock));
  EXPECT_EQ(SendFirstBlock(link, block), 2);
  EXPECT_EQ(SendFirstBlock(link, block), 1);
}

}  // namespace
}  // namespace tr58k
