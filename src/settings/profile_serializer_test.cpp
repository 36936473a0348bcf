#include "settings/profile_serializer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tr58k {
namespace {

// The stored form of the window's usual record with a restored activeLevel 2.
const std::vector<uint8_t> kExample = {
    0xFA, 0x15, 0x34, 0x01, 0x07, 0x00, 0x00, 0x00, 0x50, 0x00, 0x72, 0x00, 0x6F, 0x00, 0x66, 0x00,
    0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x04, 0x02,
    0x00, 0x00, 0x00, 0x00, 0x90, 0x01, 0x90, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x03, 0x20, 0x03,
    0x00, 0x00, 0x00, 0x00, 0x40, 0x06, 0x40, 0x06, 0x80, 0x0C, 0x80, 0x0C};

MouseSettings ExampleRecord() {
  MouseSettings s;
  s.profileName = u"Profile";
  s.activeLevel = 2;
  return s;
}

std::vector<uint8_t> Serialized(const MouseSettings& s) {
  DataStream stream(DataStream::kSaveCapacity);
  EXPECT_TRUE(SerializeProfile(stream, s));
  return {stream.data(), stream.data() + stream.length()};
}

bool Deserialize(const std::vector<uint8_t>& bytes, MouseSettings& s) {
  auto block = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), block.get());
  DataStream stream;
  stream.Adopt(std::move(block), static_cast<uint32_t>(bytes.size()));
  return DeserializeProfile(stream, s);
}

// A record differing from the defaults in every field.
MouseSettings Unusual() {
  MouseSettings s;
  s.profilePath = "/x";
  s.profileName = u"старый";
  s.auxOption = -7;
  s.profileIndex = 4;
  s.wheelBacklight = 0;
  s.reportInterval = 8;
  s.dpiLevelCount = 3;
  s.activeLevel = 0xFE;
  s.levelAttribute = {11, 12, 13, 14};
  s.dpi = {DpiPair{50, 100}, DpiPair{150, 200}, DpiPair{250, 300}, DpiPair{350, 400}};
  s.levelColor = {5, 6, 7, 8};
  s.restorePending = 1;
  return s;
}

TEST(ProfileSerializerTest, WritesTheKnownLayout) {
  EXPECT_EQ(Serialized(ExampleRecord()), kExample);
  MouseSettings empty = ExampleRecord();
  empty.profileName.clear();
  const std::vector<uint8_t> bytes = Serialized(empty);
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 4, bytes.begin() + 8), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(ProfileSerializerTest, ReadsTheKnownLayoutOverAnyRecord) {
  MouseSettings s = Unusual();
  ASSERT_TRUE(Deserialize(kExample, s));
  MouseSettings expected = ExampleRecord();
  // Not in the file: these keep what the record held.
  expected.profilePath = "/x";
  expected.levelAttribute[3] = 14;
  expected.levelColor = {5, 6, 7, 8};
  expected.restorePending = 1;
  EXPECT_EQ(s, expected);
}

TEST(ProfileSerializerTest, RoundTripKeepsStoredFieldsAndOutOfRangeValues) {
  MouseSettings saved = Unusual();
  saved.dpiLevelCount = 9;
  saved.dpi[0] = {-1, 32767};
  saved.profileName = std::u16string(600, u'名') + u'\xD800';  // grows the stream; odd unit kept
  MouseSettings loaded;
  ASSERT_TRUE(Deserialize(Serialized(saved), loaded));
  MouseSettings expected = saved;
  expected.profilePath = "";
  expected.levelAttribute[3] = 0;
  expected.levelColor = MouseSettings{}.levelColor;
  expected.restorePending = 0;
  EXPECT_EQ(loaded, expected);
}

TEST(ProfileSerializerTest, NonPositiveCountGivesEmptyNameAndNextFieldFollows) {
  for (uint8_t countHigh : {0x00, 0x80, 0xFF}) {
    std::vector<uint8_t> bytes = {0xFA, 0x15, 0x34, 0x01, 0x00, 0x00, 0x00, countHigh};
    if (countHigh == 0xFF) bytes[4] = bytes[5] = bytes[6] = 0xFF;  // -1
    const std::vector<uint8_t> rest(kExample.begin() + 22, kExample.end());
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    MouseSettings s = Unusual();
    ASSERT_TRUE(Deserialize(bytes, s)) << int(countHigh);
    EXPECT_EQ(s.profileName, u"");
    EXPECT_EQ(s.auxOption, 1);
    EXPECT_EQ(s.dpi[3], (DpiPair{3200, 3200}));
  }
}

TEST(ProfileSerializerTest, ShortOrForeignDataLeavesTheRecordAlone) {
  for (size_t len = 0; len < kExample.size(); ++len) {
    MouseSettings s = Unusual();
    EXPECT_FALSE(Deserialize({kExample.begin(), kExample.begin() + len}, s)) << len;
    EXPECT_EQ(s, Unusual()) << "cut at " << len;
  }
  for (int32_t count : {8, 27, 0x40000000, 0x7FFFFFFE, 0x7FFFFFFF}) {
    std::vector<uint8_t> bytes = kExample;
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(count >> (8 * i));
    MouseSettings s = Unusual();
    EXPECT_FALSE(Deserialize(bytes, s)) << count;
    EXPECT_EQ(s, Unusual()) << count;
  }
  std::vector<uint8_t> foreign = kExample;
  foreign[3] = 0x02;
  MouseSettings s = Unusual();
  EXPECT_FALSE(Deserialize(foreign, s));
  EXPECT_EQ(s, Unusual());
}

TEST(ProfileSerializerTest, IgnoresBytesAfterTheLastField) {
  std::vector<uint8_t> bytes = kExample;
  bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x01});
  MouseSettings s;
  ASSERT_TRUE(Deserialize(bytes, s));
  EXPECT_EQ(s.dpi[3], (DpiPair{3200, 3200}));
  EXPECT_EQ(s.profileName, u"Profile");
}

}  // namespace
}  // namespace tr58k
