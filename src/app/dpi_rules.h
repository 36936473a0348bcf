// The arithmetic of the DPI rows: text to number, number to slider position,
// and the clamping and rounding of a DPI edit box. Pure functions.
#pragma once

#include <QString>
#include <cstdint>

namespace tr58k {

// Slider position p stands for 50 * p DPI; positions 1..320 span 50..16000.
inline constexpr int kSliderMin = 1;
inline constexpr int kSliderMax = 320;

// The leading decimal integer of `text`: blanks and one sign allowed in
// front, digits up to the first other character, 0 without digits,
// saturated to the 32-bit range when the digits overflow it.
int32_t ParseLeadingInt(const QString& text);

// The slider position that shows a DPI value: value / 50, plus 1 when the
// remainder is greater than 25 (a remainder of exactly 25 rounds down).
// Not clamped: the slider holds it at its nearest end.
uint32_t SliderPosForValue(uint32_t value);

// A DPI edit box's value once the box has been left: above 16000 gives 16000,
// below 50 gives 50, anything between rounds to the nearest multiple of 50
// (a remainder of 25 rounds up).
int32_t CommittedDpi(int32_t typed);

}  // namespace tr58k
