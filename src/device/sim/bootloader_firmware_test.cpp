#include "device/sim/bootloader_firmware.h"

#include <gtest/gtest.h>

#include <numeric>

#include "device/sim/normal_firmware.h"
#include "testing/sim_rig.h"

namespace tr58k {
namespace {

std::vector<uint8_t> LongRequest(uint8_t command) {
  std::vector<uint8_t> request(kLongReportLength, 0);
  request[0] = 0xA0;
  request[1] = command;
  return request;
}

SimBlock Pattern(uint8_t seed) {
  SimBlock block{};
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(seed + i * 7);
  return block;
}

uint16_t Sum(const SimBlock& block) {
  return static_cast<uint16_t>(std::accumulate(block.begin(), block.end(), 0u) & 0xFFFF);
}

std::vector<uint8_t> Write(uint8_t number, const SimBlock& block, int checksumDelta = 0) {
  std::vector<uint8_t> request = LongRequest(0x06);
  request[2] = number;
  const uint16_t sum = static_cast<uint16_t>(Sum(block) + checksumDelta);
  request[3] = sum & 0xFF;
  request[4] = sum >> 8;
  std::copy(block.begin(), block.end(), request.begin() + 16);
  return request;
}

std::vector<uint8_t> Begin(uint8_t count, uint32_t value = 0) {
  std::vector<uint8_t> request = LongRequest(0x03);
  request[16] = count;
  for (int i = 0; i < 4; ++i) request[17 + i] = static_cast<uint8_t>(value >> (8 * i));
  return request;
}

std::vector<uint8_t> Read(uint8_t number) {
  std::vector<uint8_t> request = LongRequest(0x07);
  request[2] = number;
  return request;
}

class BootloaderFirmwareTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> Send(BootloaderFirmware& firmware, const std::vector<uint8_t>& request) {
    return firmware.HandleRequest(request, state);
  }
  BootloaderFirmwareTest() { state.versionNumber = 0x0026; }
  SimMouseState state;
};

TEST_F(BootloaderFirmwareTest, StoresChecksummedBlocksWithinTheAnnouncedCount) {
  BootloaderFirmware boot;
  EXPECT_EQ(Send(boot, Write(9, Pattern(1)))[1], kSimStatusRejected) << "write before begin";
  ASSERT_EQ(Send(boot, Begin(2, 0xA1B2C3D4))[1], 1);
  EXPECT_EQ(boot.AnnouncedBlockCount(), 2);
  EXPECT_EQ(boot.BeginValue(), 0xA1B2C3D4u);

  EXPECT_EQ(Send(boot, Write(9, Pattern(1), 1))[1], kSimStatusRejected) << "bad checksum";
  EXPECT_EQ(Send(boot, Write(8, Pattern(1)))[1], kSimStatusRejected) << "below block 9";
  EXPECT_EQ(Send(boot, Write(11, Pattern(1)))[1], kSimStatusRejected) << "past the count";
  EXPECT_EQ(boot.RejectedWrites(), 4u);
  EXPECT_EQ(Send(boot, Write(9, Pattern(1)))[1], 1);
  EXPECT_EQ(Send(boot, Write(10, Pattern(2)))[1], 1);
  ASSERT_EQ(boot.StoredBlocks().size(), 2u);
  EXPECT_EQ(boot.StoredBlocks().at(10), Pattern(2));

  const auto answer = Send(boot, Read(10));
  EXPECT_EQ(answer[1], 1);
  EXPECT_EQ(answer[6] | answer[7] << 8, Sum(Pattern(2)));
  EXPECT_TRUE(std::equal(answer.begin() + 16, answer.begin() + 1040, Pattern(2).begin()));
  EXPECT_EQ(Send(boot, Read(12))[1], kSimStatusRejected) << "never written";
}

TEST_F(BootloaderFirmwareTest, AnswersBootInfoAndEchoesTheFirstBlock) {
  BootloaderFirmware boot;
  const auto info = Send(boot, LongRequest(0x02));
  EXPECT_EQ(info[1], 1);
  EXPECT_EQ(info[20] | info[21] << 8, 0x4C95);
  EXPECT_EQ(info[22] | info[23] << 8, 0x5836);

  std::vector<uint8_t> first = LongRequest(0x01);
  first[2] = 0x01;
  const SimBlock block = Pattern(5);
  std::copy(block.begin(), block.end(), first.begin() + 16);
  const auto echo = Send(boot, first);
  EXPECT_EQ(echo[1], 1);
  EXPECT_TRUE(std::equal(echo.begin() + 16, echo.begin() + 1040, first.begin() + 16));
  first[2] = 0x00;
  EXPECT_EQ(Send(boot, first)[1], kSimStatusRejected);
  EXPECT_EQ(Send(boot, Read(9))[1], kSimStatusRejected) << "the first block is not stored";

  std::vector<uint8_t> shortId = LongRequest(0x02);
  shortId[0] = 0xA1;
  EXPECT_EQ(Send(boot, shortId)[1], kSimStatusRejected);
  EXPECT_EQ(Send(boot, std::vector<uint8_t>(64, 0))[1], kSimStatusRejected);
}

TEST_F(BootloaderFirmwareTest, FaultSwitchesChangeOnlyWhatTheyName) {
  SimBootloaderOptions options;
  options.wrongBootInfo = true;
  options.echoMismatches = 1;
  options.readBackWrongBlock = 9;
  options.readBlockFailsBlock = 10;
  BootloaderFirmware boot(options);

  const auto info = Send(boot, LongRequest(0x02));
  EXPECT_EQ(info[1], 1);
  EXPECT_EQ(info[22] | info[23] << 8, 0x5837);

  std::vector<uint8_t> first = LongRequest(0x01);
  first[2] = 0x01;
  const SimBlock block = Pattern(5);
  std::copy(block.begin(), block.end(), first.begin() + 16);
  auto echo = Send(boot, first);
  EXPECT_EQ(std::mismatch(echo.begin() + 16, echo.begin() + 1040, first.begin() + 16).first -
                echo.begin(),
            116) << "exactly one byte differs, once";
  echo = Send(boot, first);
  EXPECT_TRUE(std::equal(echo.begin() + 16, echo.begin() + 1040, first.begin() + 16));

  Send(boot, Begin(2));
  Send(boot, Write(9, Pattern(1)));
  Send(boot, Write(10, Pattern(2)));
  auto back = Send(boot, Read(9));
  EXPECT_FALSE(std::equal(back.begin() + 16, back.begin() + 1040, Pattern(1).begin()));
  EXPECT_EQ(back[6] | back[7] << 8, Sum(Pattern(1))) << "the checksum is of the stored block";
  back = Send(boot, Read(9));
  EXPECT_TRUE(std::equal(back.begin() + 16, back.begin() + 1040, Pattern(1).begin()));
  EXPECT_EQ(Send(boot, Read(10))[1], kSimStatusRejected);
  EXPECT_EQ(Send(boot, Read(10))[1], kSimStatusRejected);
}

TEST_F(BootloaderFirmwareTest, FinishRestartsIntoNewFirmwareOnlyWhenEveryBlockArrived) {
  BootloaderFirmware boot({.returnAfterFinishMs = 700});
  Send(boot, Begin(2));
  Send(boot, Write(9, Pattern(1)));
  EXPECT_EQ(Send(boot, LongRequest(0x09))[1], 1);
  ASSERT_TRUE(state.afterResponse);
  EXPECT_EQ(state.afterResponse->mode, MouseMode::kBootloader) << "block 10 is missing";
  EXPECT_EQ(state.versionNumber, 0x0026);
  EXPECT_FALSE(boot.LastFinishComplete());

  state.afterResponse.reset();
  Send(boot, Write(10, Pattern(2)));
  Send(boot, LongRequest(0x09));
  ASSERT_TRUE(state.afterResponse);
  EXPECT_EQ(state.afterResponse->mode, MouseMode::kNormal);
  EXPECT_EQ(state.afterResponse->absentMs, 700u);
  EXPECT_EQ(state.versionNumber, 0x0027);
  EXPECT_EQ(boot.FinishCount(), 2u);
}

TEST(NextVersionNumber, CountsInTheDecimalReadingOfTheHexDigits) {
  const std::pair<uint16_t, uint16_t> cases[] = {
      {0x0026, 0x0027}, {0x0029, 0x0030}, {0x0099, 0x0100}, {0x0000, 0x0001}, {0x0105, 0x0106}};
  for (auto [from, to] : cases) EXPECT_EQ(NextVersionNumber(from), to) << std::hex << from;
}

TEST(SimulatedMouseBootloader, EntryCodeSendsTheMouseAwayAndBackAsTheBootloader) {
  SimRig rig;
  auto monitor = rig.mouse.CreateMonitor();
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);

  LongReport request{};
  request[0] = 0xA1;
  request[1] = 0x3A;
  request[5] = 0x6C;
  request[6] = 0x93;
  request[7] = 0x1F;  // one bit off: ignored
  LongReport response{0xA1};
  ASSERT_EQ(SendFeatureReport(rig.link, request.data(), request.size()), 1);
  ASSERT_EQ(ReceiveFeatureReport(rig.link, response.data(), response.size()), 1);
  EXPECT_NE(response[1], 1);
  EXPECT_TRUE(rig.mouse.IsPresent());

  request[7] = 0x1E;
  ASSERT_EQ(SendFeatureReport(rig.link, request.data(), request.size()), 1);
  EXPECT_TRUE(rig.mouse.IsPresent()) << "it leaves once its answer has been read";
  response = LongReport{0xA1};
  ASSERT_EQ(ReceiveFeatureReport(rig.link, response.data(), response.size()), 1);
  EXPECT_EQ(response[1], 1);
  EXPECT_FALSE(rig.mouse.IsPresent());
  const auto gone = monitor->ReadEvents();
  ASSERT_EQ(gone.size(), 2u);
  for (const HidEvent& event : gone) EXPECT_EQ(event.kind, HidEventKind::kRemoveComplete);

  rig.clock.Advance(kDefaultBootloaderEntryMs - 1);
  EXPECT_EQ(OpenHidDevice(rig.link, kBootloaderProductId), 0);
  rig.clock.Advance(1);
  EXPECT_EQ(OpenHidDevice(rig.link, kBootloaderProductId), 1);
  const auto back = monitor->ReadEvents();
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].kind, HidEventKind::kArrival);
  EXPECT_NE(back[0].path.find(":5836."), std::string::npos) << back[0].path;
}

}  // namespace
}  // namespace tr58k
