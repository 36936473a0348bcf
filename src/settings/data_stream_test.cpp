#include "settings/data_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace tr58k {
namespace {

std::vector<uint8_t> Contents(const DataStream& s) {
  return s.length() ? std::vector<uint8_t>(s.data(), s.data() + s.length()) : std::vector<uint8_t>{};
}

DataStream& Fill(DataStream& s, uint32_t bytes) {
  for (uint32_t i = 0; i < bytes; ++i) s << static_cast<uint8_t>(i);
  return s;
}

std::unique_ptr<uint8_t[]> Block(const std::vector<uint8_t>& bytes) {
  auto block = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), block.get());
  return block;
}

TEST(DataStreamTest, StartsEmptyOrWithAZeroedBlock) {
  DataStream empty;
  EXPECT_EQ(empty.data(), nullptr);
  EXPECT_EQ(empty.capacity() + empty.length() + empty.readPos(), 0u);
  DataStream fresh(DataStream::kSaveCapacity);
  ASSERT_EQ(fresh.capacity(), 1024u);
  EXPECT_EQ(fresh.length(), 0u);
  for (uint32_t i = 0; i < 1024; ++i) ASSERT_EQ(fresh.data()[i], 0);
}

TEST(DataStreamTest, ReserveGrowsByTwiceTheRequestOrAtLeast1024) {
  struct Case { uint32_t initial, filled, n, capacity; };
  const Case cases[] = {
      {0, 0, 0, 0},          {0, 0, 1, 1024},        {0, 0, 600, 1200},
      {1024, 1020, 4, 1024}, {1024, 1020, 5, 2048},  {1024, 1020, 600, 2224},
      {1024, 0, 1024, 1024}, {1024, 0, 1025, 3074},
  };
  for (const Case& c : cases) {
    DataStream s(c.initial);
    Fill(s, c.filled);
    EXPECT_EQ(s.Reserve(c.n), c.capacity) << c.initial << "/" << c.filled << " +" << c.n;
    EXPECT_EQ(s.length(), c.filled);
    for (uint32_t i = 0; i < c.filled; ++i) ASSERT_EQ(s.data()[i], static_cast<uint8_t>(i));
    for (uint32_t i = c.filled; i < s.capacity(); ++i) ASSERT_EQ(s.data()[i], 0);
  }
}

TEST(DataStreamTest, ReserveBeyond4GiBChangesNothing) {
  DataStream s(1024);
  Fill(s, 10);
  EXPECT_EQ(s.Reserve(std::numeric_limits<uint32_t>::max()), 1024u);
  EXPECT_EQ(s.length(), 10u);
  s << static_cast<uint8_t>(7);
  EXPECT_TRUE(s.ok());
}

TEST(DataStreamTest, InsertsLittleEndianAndGrows) {
  DataStream s(1024);
  s << static_cast<uint8_t>(0xAB) << static_cast<int16_t>(-2) << static_cast<uint16_t>(0x1234)
    << static_cast<int32_t>(0x01020304) << static_cast<uint32_t>(0xFFFFFFFE) << std::u16string(u"A中");
  EXPECT_EQ(Contents(s), (std::vector<uint8_t>{0xAB, 0xFE, 0xFF, 0x34, 0x12, 0x04, 0x03, 0x02, 0x01,
                                               0xFE, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x41,
                                               0x00, 0x2D, 0x4E}));
  // 1004 string bytes no longer fit beside the 21 bytes: it grows once.
  s << std::u16string(500, u'x');
  EXPECT_EQ(s.capacity(), 1024u + 2 * (2 * 500 + 4));
  EXPECT_EQ(s.length(), 21u + 4 + 1000);
  EXPECT_EQ(s.data()[s.length() - 2], 'x');  // the last unit, past the old block
  EXPECT_TRUE(s.ok());
}

TEST(DataStreamTest, ExtractsWhatWasInserted) {
  DataStream s(1024);
  s << static_cast<uint8_t>(200) << static_cast<int16_t>(-300) << static_cast<uint16_t>(60000)
    << static_cast<int32_t>(-5) << static_cast<uint32_t>(4000000000u) << std::u16string(u"名字");
  uint8_t a = 0; int16_t b = 0; uint16_t c = 0; int32_t d = 0; uint32_t e = 0; std::u16string f = u"old";
  s >> a >> b >> c >> d >> e >> f;
  EXPECT_TRUE(s.ok());
  EXPECT_EQ(a, 200); EXPECT_EQ(b, -300); EXPECT_EQ(c, 60000); EXPECT_EQ(d, -5);
  EXPECT_EQ(e, 4000000000u); EXPECT_EQ(f, u"名字");
  EXPECT_EQ(s.readPos(), s.length());
}

TEST(DataStreamTest, NeverReadsPastLength) {
  // Capacity holds zeros past the two written bytes; they must not be read.
  DataStream s(1024);
  s << static_cast<uint16_t>(0x0102);
  uint32_t wide = 99;
  s >> wide;
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(wide, 99u);
  EXPECT_EQ(s.readPos(), 0u);
  uint8_t narrow = 42;
  s >> narrow;  // a failed stream stays failed
  EXPECT_EQ(narrow, 42);

  DataStream empty;
  empty >> narrow;
  EXPECT_FALSE(empty.ok());
}

TEST(DataStreamTest, StringCounts) {
  struct Case { int32_t count; std::vector<uint8_t> after; bool ok; std::u16string value; };
  const Case cases[] = {
      {0, {0x11, 0x22}, true, u""},
      {-1, {0x11, 0x22}, true, u""},
      {std::numeric_limits<int32_t>::min(), {0x11, 0x22}, true, u""},
      {1, {0x11, 0x22}, true, u"\u2211"},
      {2, {0x11, 0x22}, false, u""},
      {0x40000000, {0x11, 0x22}, false, u""},
      {std::numeric_limits<int32_t>::max() - 1, {0x11, 0x22}, false, u""},
      {std::numeric_limits<int32_t>::max(), {0x11, 0x22}, false, u""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(c.count), static_cast<uint8_t>(c.count >> 8),
                                  static_cast<uint8_t>(c.count >> 16),
                                  static_cast<uint8_t>(c.count >> 24)};
    bytes.insert(bytes.end(), c.after.begin(), c.after.end());
    DataStream s;
    s.Adopt(Block(bytes), static_cast<uint32_t>(bytes.size()));
    std::u16string value = u"old";
    s >> value;
    EXPECT_EQ(s.ok(), c.ok) << c.count;
    if (!c.ok) continue;
    EXPECT_EQ(value, c.value) << c.count;
    if (c.count <= 0) {  // the next field follows the count directly
      uint16_t next = 0;
      s >> next;
      EXPECT_EQ(next, 0x2211) << c.count;
    }
  }
}

}  // namespace
}  // namespace tr58k
