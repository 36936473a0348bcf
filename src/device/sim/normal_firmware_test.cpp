#include "device/sim/normal_firmware.h"

#include <gtest/gtest.h>

#include <vector>

#include "device/config_commands.h"
#include "device/device_link.h"

namespace tr58k {
namespace {

std::vector<uint8_t> Request(uint8_t id, uint8_t command, size_t length, uint8_t profile = 0) {
  std::vector<uint8_t> request(length, 0);
  request[0] = id;
  request[1] = command;
  request[5] = profile;
  return request;
}

class NormalFirmwareTest : public ::testing::Test {
 protected:
  NormalFirmwareTest() {
    state.block = FactoryConfigBlock();
    state.selectedSlot = 2;
  }
  NormalFirmware firmware;
  SimMouseState state;
};

TEST_F(NormalFirmwareTest, FactoryBlockIsTheFactoryRecordEncoded) {
  const DeviceConfigBlock block = FactoryConfigBlock();
  EXPECT_EQ(block[0x01], 'p');  // "profile"
  EXPECT_EQ(block[0x32], 2);    // factory DPI level
  EXPECT_EQ(block[0x56], 4);
  EXPECT_EQ(block[0x11], 0x00);
  EXPECT_EQ(block[0x12], 0x04);
}

TEST_F(NormalFirmwareTest, ShowsTheMouseCollectionBeforeTheVendorOne) {
  const auto collections = firmware.Collections();
  ASSERT_EQ(collections.size(), 2u);
  EXPECT_EQ(collections[0].usagePage, 0x0001);
  EXPECT_EQ(collections[0].usage, 2);
  EXPECT_EQ(collections[1].usagePage, 0xFF01);
  EXPECT_EQ(collections[1].usage, 2);
}

TEST_F(NormalFirmwareTest, ReadConfigurationAnswersTheBlockInALongReport) {
  const auto response = firmware.HandleRequest(Request(0xA1, 0x07, 64), state);
  ASSERT_EQ(response.size(), kLongReportLength);
  EXPECT_EQ(response[0], 0xA1);
  EXPECT_EQ(response[1], 1);
  EXPECT_TRUE(std::equal(state.block.begin(), state.block.end(), response.begin() + 16));
  EXPECT_EQ(response[1040], 0);
}

TEST_F(NormalFirmwareTest, SlotQueryAnswersTheSelectedSlot) {
  const auto response = firmware.HandleRequest(Request(0xA1, 0x03, 64), state);
  ASSERT_EQ(response.size(), kShortReportLength);
  EXPECT_EQ(response[1], 1);
  EXPECT_EQ(response[16], 2);
}

TEST_F(NormalFirmwareTest, WriteStoresTheBlock) {
  auto request = Request(0xA0, 0x08, kLongReportLength, 4);
  request[6] = 1;
  for (size_t i = 0; i < kConfigBlockSize; ++i) request[16 + i] = static_cast<uint8_t>(i * 7);
  const auto response = firmware.HandleRequest(request, state);
  EXPECT_EQ(response[1], 1);
  EXPECT_TRUE(std::equal(state.block.begin(), state.block.end(), request.begin() + 16));
}

TEST_F(NormalFirmwareTest, SelectChangesTheSlot) {
  EXPECT_EQ(firmware.HandleRequest(Request(0xA1, 0x04, 64, 4), state)[1], 1);
  EXPECT_EQ(state.selectedSlot, 4);
}

TEST_F(NormalFirmwareTest, EntersTheBootloaderOnlyOnTheEntryCodeWithTheShortId) {
  struct Case {
    const char* what;
    uint8_t id;
    size_t length;
    uint8_t codeByte;
    bool enters;
  };
  const Case cases[] = {
      {"long, as sent", 0xA1, kLongReportLength, 0x6C, true},
      {"cut to the short report's declared 64 bytes", 0xA1, 64, 0x6C, true},
      {"the long id", 0xA0, kLongReportLength, 0x6C, false},
      {"another length", 0xA1, 65, 0x6C, false},
      {"a wrong entry code", 0xA1, 64, 0x6D, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimMouseState fresh = state;
    auto request = Request(c.id, 0x3A, c.length);
    request[5] = c.codeByte;
    request[6] = 0x93;
    request[7] = 0x1E;
    const auto response = firmware.HandleRequest(request, fresh);
    EXPECT_EQ(response[1] == 1, c.enters);
    EXPECT_EQ(fresh.afterResponse.has_value(), c.enters);
  }
}

TEST_F(NormalFirmwareTest, RejectsWhatItDoesNotTakeAndChangesNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> request;
  };
  const Case cases[] = {
      {"unknown command", Request(0xA1, 0x55, 64)},
      {"command 0", Request(0xA1, 0x00, 64)},
      {"read with the long id", Request(0xA0, 0x07, 64)},
      {"read in a long report", Request(0xA1, 0x07, kLongReportLength)},
      {"write in a short report", Request(0xA0, 0x08, 64)},
      {"write with the short id", Request(0xA1, 0x08, kLongReportLength)},
      {"write to slot 5", Request(0xA0, 0x08, kLongReportLength, 5)},
      {"select slot 5", Request(0xA1, 0x04, 64, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SimMouseState before = state;
    std::vector<uint8_t> request = c.request;
    if (request.size() == kLongReportLength) request[20] = 0x5A;  // would change the block
    const auto response = firmware.HandleRequest(request, state);
    EXPECT_NE(response[1], 1);
    EXPECT_EQ(state.block, before.block);
    EXPECT_EQ(state.selectedSlot, before.selectedSlot);
  }
}

}  // namespace
}  // namespace tr58k
