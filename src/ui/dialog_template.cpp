#include "ui/dialog_template.h"

#include <algorithm>

namespace tr58k {

namespace {
// a * b / c rounded half away from zero, for the non-negative values of a
// layout (MulDiv's rule).
int MulDivRound(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}
}  // namespace

DialogUnits::DialogUnits(int baseX, int baseY)
    : baseX_(std::max(1, baseX)), baseY_(std::max(1, baseY)) {}

int DialogUnits::ToPixelsX(int dlu) const { return MulDivRound(dlu, baseX_, 4); }
int DialogUnits::ToPixelsY(int dlu) const { return MulDivRound(dlu, baseY_, 8); }

PixelRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  return PixelRect{ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height)};
}

}  // namespace tr58k
