#include "app/dpi_rules.h"

#include <limits>

#include "settings/mouse_settings.h"

namespace tr58k {

namespace {
bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }
}  // namespace

int32_t ParseLeadingInt(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate as a magnitude; stop growing once past the 32-bit range.
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i].unicode() - u'0');
    if (magnitude > limit) magnitude = limit;
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

uint32_t SliderPosForValue(uint32_t value) {
  const uint32_t q = value / kDpiStep;
  const uint32_t r = value % kDpiStep;
  return r > 25 ? q + 1 : q;
}

int32_t CommittedDpi(int32_t typed) {
  if (typed > kDpiMax) return kDpiMax;
  if (typed < kDpiMin) return kDpiMin;
  int32_t q = typed / kDpiStep;
  if (typed % kDpiStep >= 25) ++q;
  return q * kDpiStep;
}

}  // namespace tr58k
