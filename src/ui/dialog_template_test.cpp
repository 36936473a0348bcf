#include "ui/dialog_template.h"

#include <gtest/gtest.h>

namespace tr58k {
namespace {

TEST(DialogUnitsTest, ConvertsWithRounding) {
  // 7 px average width, 13 px height: x * 7 / 4 and y * 13 / 8, rounded.
  const DialogUnits units(7, 13);
  struct Case {
    int dlu, x, y;
  } cases[] = {{0, 0, 0}, {1, 2, 2}, {2, 4, 3}, {4, 7, 7}, {8, 14, 13}, {345, 604, 561}};
  for (const Case& c : cases) {
    EXPECT_EQ(units.ToPixelsX(c.dlu), c.x) << c.dlu;
    EXPECT_EQ(units.ToPixelsY(c.dlu), c.y) << c.dlu;
  }
  const PixelRect r = units.ToPixels(4, 8, 8, 4);
  EXPECT_EQ(r.x, 7);
  EXPECT_EQ(r.y, 13);
  EXPECT_EQ(r.width, 14);
  EXPECT_EQ(r.height, 7);
}

}  // namespace
}  // namespace tr58k
