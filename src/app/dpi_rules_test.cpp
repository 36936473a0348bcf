#include "app/dpi_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace tr58k {
namespace {

TEST(DpiRulesTest, LeadingIntegerOfEditText) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"", 0},          {"abc", 0},      {"425", 425},     {"  440", 440},
      {"+7", 7},        {"-49", -49},    {"12ab34", 12},   {"0050", 50},
      {"- 5", 0},       {"16000 ", 16000},
      {"99999999999", std::numeric_limits<int32_t>::max()},
      {"2147483647", std::numeric_limits<int32_t>::max()},
      {"2147483648", std::numeric_limits<int32_t>::max()},
      {"-99999999999", std::numeric_limits<int32_t>::min()},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLeadingInt(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(DpiRulesTest, SliderPositionOfAShownValueRoundsTwentyFiveDown) {
  struct Case {
    uint32_t value, pos;
  } cases[] = {{400, 8}, {424, 8}, {425, 8}, {426, 9}, {449, 9}, {450, 9},
               {0, 0},   {16000, 320}, {20000, 400}, {0xFFFFFFFFu, 85899346}};
  for (const Case& c : cases) EXPECT_EQ(SliderPosForValue(c.value), c.pos) << c.value;
}

TEST(DpiRulesTest, CommittedValueIsClampedAndRoundsTwentyFiveUp) {
  struct Case {
    int32_t typed, committed;
  } cases[] = {{440, 450},   {424, 400},   {425, 450},     {49, 50},     {0, 50},
               {-5, 50},     {50, 50},     {16000, 16000}, {15990, 16000},
               {16001, 16000}, {123456, 16000}, {std::numeric_limits<int32_t>::max(), 16000},
               {std::numeric_limits<int32_t>::min(), 50}, {74, 50}, {75, 100}};
  for (const Case& c : cases) EXPECT_EQ(CommittedDpi(c.typed), c.committed) << c.typed;
}

}  // namespace
}  // namespace tr58k
