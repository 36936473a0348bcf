#include "settings/device_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "settings/config_block_layout.h"

namespace tr58k {
namespace {

namespace cb = config_block;

DeviceConfigBlock BlockOf(const MouseSettings& settings) {
  DeviceSettings device;
  ToDeviceSettings(settings, device);
  DeviceConfigBlock block{};
  EncodeConfigBlock(device, block);
  return block;
}

MouseSettings WindowDefaults() {
  MouseSettings s;
  s.profileName = u"Profile";  // what the window sets after construction
  return s;
}

// The block a fresh record gives, written out byte by byte at raw offsets.
DeviceConfigBlock ExpectedDefaultBlock() {
  DeviceConfigBlock b{};
  const std::map<size_t, std::vector<uint8_t>> nonZero = {
      {0x01, {0x50, 0x72, 0x6F, 0x66, 0x69, 0x6C, 0x65}},
      {0x12, {0x04}}, {0x15, {0x01}}, {0x16, {0x01}}, {0x1A, {0x01}},
      {0x25, {0xFF, 0x00, 0x00, 0x01, 0x00, 0xFF, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x01}},
      {0x32, {0xFF}},
      {0x34, {0x90, 0x01, 0x90, 0x01}}, {0x3D, {0x20, 0x03, 0x20, 0x03}},
      {0x52, {0x40, 0x06, 0x40, 0x06}}, {0x56, {0x04}}, {0x5C, {0x80, 0x0C, 0x80, 0x0C}},
      {0x65, {0x00, 0x01, 0, 0, 0, 0, 0x0F, 0x00, 0x02, 0, 0, 0, 0, 0x0F,
              0x00, 0x04, 0, 0, 0, 0, 0x0F, 0x00, 0x10, 0, 0, 0, 0, 0x0F,
              0x00, 0x08, 0, 0, 0, 0, 0x0F, 0x09, 0xF1, 0, 0, 0, 0, 0x0F}},
      {0xC4, {0xFF, 0xFF, 0xFF, 0x01}},
  };
  for (const auto& [offset, bytes] : nonZero) {
    for (size_t i = 0; i < bytes.size(); ++i) b[offset + i] = bytes[i];
  }
  return b;
}

std::vector<size_t> Differences(const DeviceConfigBlock& a, const DeviceConfigBlock& b) {
  std::vector<size_t> diff;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) diff.push_back(i);
  }
  return diff;
}

TEST(ConfigBlockTest, FreshRecordGivesTheKnownBlock) {
  EXPECT_EQ(Differences(BlockOf(WindowDefaults()), ExpectedDefaultBlock()), std::vector<size_t>{});
}

TEST(ConfigBlockTest, FactoryRestoreChangesOnlyNameAndActiveLevel) {
  MouseSettings s = WindowDefaults();
  s.profilePath = "/some/path";
  s.dpi[1] = {1000, 1000};
  s.levelAttribute[2] = 7;
  ResetToFactory(s);
  EXPECT_EQ(s.profilePath, "/some/path");
  const DeviceConfigBlock block = BlockOf(s);
  EXPECT_EQ(Differences(block, ExpectedDefaultBlock()), (std::vector<size_t>{0x01, 0x32}));
  EXPECT_EQ(block[0x01], 0x70);  // 'p' of "profile"
  EXPECT_EQ(block[0x32], 0x02);
}

TEST(ConfigBlockTest, ActiveLevelIsSentOnlyDuringARestore) {
  const std::vector<std::pair<int32_t, uint8_t>> cases = {{0, 0xFF}, {1, 0x02}, {2, 0xFF}, {-1, 0xFF}};
  for (const auto& [pending, expected] : cases) {
    MouseSettings s = WindowDefaults();
    s.activeLevel = 2;
    s.restorePending = pending;
    EXPECT_EQ(BlockOf(s)[0x32], expected) << "restorePending " << pending;
  }
}

TEST(ConfigBlockTest, EveryFieldAtItsOffsetAndNothingElse) {
  DeviceSettings d;
  d.profileIndex = 0xA1;
  for (size_t i = 0; i < kDeviceNameSize; ++i) d.name[i] = static_cast<uint8_t>(0xB0 + i);
  d.blockLength = 0xC2C1;
  d.auxOption = 0xA2;
  d.reserved = 0xC4C3;
  d.reportInterval = 0xA3;
  d.wheelBacklight = 0xA4;
  d.dpiLevelCount = 0xA5;
  d.activeLevel = 0xA6;
  for (int i = 0; i < kDpiLevels; ++i) {
    d.levels[i] = {static_cast<uint8_t>(0x10 + i), static_cast<uint16_t>(0x2120 + i * 0x202),
                   static_cast<uint16_t>(0x3130 + i * 0x202)};
    d.colors[i] = {static_cast<uint8_t>(0x40 + i), static_cast<uint8_t>(0x50 + i),
                   static_cast<uint8_t>(0x60 + i), static_cast<uint8_t>(0x70 + i)};
  }
  DeviceConfigBlock block;
  block.fill(0xEE);  // whatever the caller's buffer held must not survive
  EncodeConfigBlock(d, block);

  // offset -> expected byte, from the mouse's layout
  std::map<size_t, uint8_t> fields = {
      {cb::kProfileIndex, 0xA1}, {cb::kBlockLength, 0xC1}, {cb::kBlockLength + 1, 0xC2},
      {cb::kReserved, 0xC3}, {cb::kReserved + 1, 0xC4}, {cb::kReportInterval, 0xA3},
      {cb::kAuxOption, 0xA2}, {cb::kWheelBacklight, 0xA4}, {cb::kDpiLevelCount, 0xA5},
      {cb::kActiveLevel, 0xA6}};
  for (size_t i = 0; i < kDeviceNameSize; ++i) fields[cb::kName + i] = static_cast<uint8_t>(0xB0 + i);
  for (int i = 0; i < kDpiLevels; ++i) {
    const size_t level = cb::kLevel[i];
    fields[level + cb::kLevelAttribute] = static_cast<uint8_t>(0x10 + i);
    fields[level + cb::kLevelDpiX] = static_cast<uint8_t>(0x20 + 2 * i);
    fields[level + cb::kLevelDpiX + 1] = static_cast<uint8_t>(0x21 + 2 * i);
    fields[level + cb::kLevelDpiY] = static_cast<uint8_t>(0x30 + 2 * i);
    fields[level + cb::kLevelDpiY + 1] = static_cast<uint8_t>(0x31 + 2 * i);
    for (size_t c = 0; c < cb::kColorSize; ++c) {
      fields[cb::kColor[i] + c] = static_cast<uint8_t>(0x40 + 0x10 * c + i);
    }
  }
  for (size_t i = 0; i < cb::kFixedTableBytes.size(); ++i) {
    fields[cb::kFixedTable + i] = cb::kFixedTableBytes[i];
  }
  // No two fields share a byte: 26 single fields, 4 levels, 4 colours, table.
  ASSERT_EQ(fields.size(), 26u + 4 * 5 + 4 * 4 + 42);
  // The irregular places, spelled out.
  EXPECT_EQ(block[0x33], 0x10);
  EXPECT_EQ(block[0x3C], 0x11);
  EXPECT_EQ(block[0x51], 0x12);
  EXPECT_EQ(block[0x5B], 0x13);
  EXPECT_EQ(block[0x56], 0xA5);
  EXPECT_EQ(block[0xC4], 0x43);
  EXPECT_EQ(block[0x16], 0xA2);
  for (size_t i = 0; i < block.size(); ++i) {
    const auto it = fields.find(i);
    EXPECT_EQ(block[i], it == fields.end() ? 0 : it->second) << "offset 0x" << std::hex << i;
  }

  // Decoding reads the same fields back, ignores the rest, keeps the name.
  for (size_t i = 0; i < block.size(); ++i) {
    if (!fields.count(i)) block[i] = 0x5A;
  }
  DeviceSettings back;
  back.name.fill(0x99);
  DecodeConfigBlock(block, back);
  DeviceSettings expected = d;
  expected.name.fill(0x99);
  EXPECT_EQ(back, expected);
}

TEST(ConfigBlockTest, RecordToDeviceConversions) {
  MouseSettings s = WindowDefaults();
  s.auxOption = 0x101;
  s.reportInterval = 0x0108;
  s.levelAttribute = {0x1FF, 0, 0, -1};
  s.levelColor[0] = 0xAA332211;
  s.profileName = u"中文";
  DeviceSettings d;
  ToDeviceSettings(s, d);
  const DeviceConfigBlock block = BlockOf(s);
  EXPECT_EQ(block[0x16], 0x01);
  EXPECT_EQ(block[0x15], 0x08);
  EXPECT_EQ(block[0x33], 0xFF);
  EXPECT_EQ(block[0x5B], 0xFF);
  EXPECT_EQ(d.colors[0], (DeviceColor{0x11, 0x22, 0x33, 1}));
  EXPECT_EQ(d.blockLength, 1024);
  const std::vector<uint8_t> name(block.begin() + 1, block.begin() + 0x11);
  EXPECT_EQ(name, (std::vector<uint8_t>{0xD6, 0xD0, 0xCE, 0xC4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  s.profileName = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  ToDeviceSettings(s, d);
  EXPECT_EQ(d.name[14], 'O');
  EXPECT_EQ(d.name[15], 0);  // the terminator always fits
}

TEST(ConfigBlockTest, DecodeAssemblesLittleEndian) {
  DeviceConfigBlock block{};
  block[0x34] = 0x80;
  block[0x35] = 0x0C;
  DeviceSettings d;
  DecodeConfigBlock(block, d);
  EXPECT_EQ(d.levels[0].dpiX, 3200);
}

TEST(ConfigBlockTest, FromDeviceTakesOnlyTheMousesFields) {
  MouseSettings s = WindowDefaults();
  s.profilePath = "/p";
  s.auxOption = 77;
  s.levelColor = {1, 2, 3, 4};
  s.restorePending = 1;
  MouseSettings before = s;

  DeviceSettings d;
  d.profileIndex = 3;
  d.name = {'X', 'Y'};
  d.auxOption = 9;
  d.reportInterval = 0xFF;
  d.wheelBacklight = 0;
  d.dpiLevelCount = 2;
  d.activeLevel = 1;
  d.levels = {DeviceLevel{0xFF, 16000, 50}, DeviceLevel{1, 100, 150}, DeviceLevel{2, 200, 250},
              DeviceLevel{3, 0x8000, 0xFFFF}};
  d.colors = {DeviceColor{9, 9, 9, 9}, {}, {}, {}};
  FromDeviceSettings(d, s);

  before.profileIndex = 3;
  before.reportInterval = 255;  // zero-extended, not -1
  before.wheelBacklight = 0;
  before.dpiLevelCount = 2;
  before.activeLevel = 1;
  before.levelAttribute = {255, 1, 2, 3};
  before.dpi = {DpiPair{16000, 50}, DpiPair{100, 150}, DpiPair{200, 250}, DpiPair{-32768, -1}};
  EXPECT_EQ(s, before);
}

}  // namespace
}  // namespace tr58k
