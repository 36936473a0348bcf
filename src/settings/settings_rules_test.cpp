#include "settings/settings_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace tr58k {
namespace {

TEST(SettingsRulesTest, LeadingIntegerOfEditText) {
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
  for (const Case& c : cases) EXPECT_EQ(ParseLeadingInt(c.text), c.value) << c.text;
}

TEST(SettingsRulesTest, SliderPositionOfAShownValueRoundsTwentyFiveDown) {
  struct Case {
    uint32_t value, pos;
  } cases[] = {{400, 8}, {424, 8}, {425, 8}, {426, 9}, {449, 9}, {450, 9},
               {0, 0},   {16000, 320}, {20000, 400}, {0xFFFFFFFFu, 85899346}};
  for (const Case& c : cases) EXPECT_EQ(SliderPosForValue(c.value), c.pos) << c.value;
}

TEST(SettingsRulesTest, CommittedValueIsClampedAndRoundsTwentyFiveUp) {
  struct Case {
    int32_t typed, committed;
  } cases[] = {{440, 450},   {424, 400},   {425, 450},     {49, 50},     {0, 50},
               {-5, 50},     {50, 50},     {16000, 16000}, {15990, 16000},
               {16001, 16000}, {123456, 16000}, {std::numeric_limits<int32_t>::max(), 16000},
               {std::numeric_limits<int32_t>::min(), 50}, {74, 50}, {75, 100}};
  for (const Case& c : cases) EXPECT_EQ(CommittedDpi(c.typed), c.committed) << c.typed;
}

TEST(SettingsRulesTest, ReportRateCodesRatesAndListPositionsAgree) {
  struct Case {
    int16_t code;
    int hz, index;
  } cases[] = {{1, 1000, 0}, {2, 500, 1}, {4, 250, 2}, {8, 125, 3}, {3, 0, -1}, {0, 0, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(ReportRateHz(c.code), c.hz) << c.code;
    EXPECT_EQ(ReportRateIndexForInterval(c.code), c.index) << c.code;
    if (c.index >= 0) {
      EXPECT_EQ(ReportIntervalForIndex(c.index), c.code);
      EXPECT_EQ(ReportIntervalForHz(c.hz), c.code);
    }
  }
  EXPECT_FALSE(ReportIntervalForIndex(4));
  EXPECT_FALSE(ReportIntervalForIndex(-1));
  EXPECT_FALSE(ReportIntervalForHz(0));
}

TEST(SettingsRulesTest, DpiAndLevelCountValidity) {
  for (int v : {50, 100, 16000}) EXPECT_TRUE(IsValidDpi(v)) << v;
  for (int v : {0, 49, 75, 16050, -50}) EXPECT_FALSE(IsValidDpi(v)) << v;
  EXPECT_FALSE(IsValidLevelCount(0));
  EXPECT_TRUE(IsValidLevelCount(1));
  EXPECT_TRUE(IsValidLevelCount(4));
  EXPECT_FALSE(IsValidLevelCount(5));
}

}  // namespace
}  // namespace tr58k
