// The value rules the window and tr58kctl share: the DPI range and its grid,
// how a typed DPI is committed, the report-rate codes with their rates and
// list positions, the level count, and the record a program starts from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/mouse_settings.h"

namespace tr58k {

// Slider position p stands for 50 * p DPI; positions 1..320 span 50..16000.
inline constexpr int kSliderMin = kDpiMin / kDpiStep;
inline constexpr int kSliderMax = kDpiMax / kDpiStep;
inline constexpr int kLevelCountMin = 1;
inline constexpr int kLevelCountMax = kDpiLevels;
inline constexpr int kReportRateCount = 4;

// True for 50..16000 in steps of 50, the values the mouse takes.
bool IsValidDpi(int value);
bool IsValidLevelCount(int count);

// The leading decimal integer of `text`: blanks and one sign allowed in
// front, digits up to the first other character, 0 without digits,
// saturated to the 32-bit range when the digits overflow it.
int32_t ParseLeadingInt(std::string_view text);

// The slider position that shows a DPI value: value / 50, plus 1 when the
// remainder is greater than 25 (a remainder of exactly 25 rounds down).
// Not clamped: the slider holds it at its nearest end.
uint32_t SliderPosForValue(uint32_t value);

// A DPI once committed: above 16000 gives 16000, below 50 gives 50, anything
// between rounds to the nearest multiple of 50 (a remainder of 25 rounds up).
int32_t CommittedDpi(int32_t typed);

// Report rate in Hz of a report interval code (1/2/4/8), or 0 for another code.
int ReportRateHz(int16_t reportInterval);
// The interval code of a rate in Hz (1000/500/250/125); nullopt for another.
std::optional<int16_t> ReportIntervalForHz(int hz);
// The report-rate list's position of a code ("1000 Hz" first); -1 for
// another code.
int ReportRateIndexForInterval(int16_t reportInterval);
// The code at a list position 0..3; nullopt outside the list.
std::optional<int16_t> ReportIntervalForIndex(int index);

// The record a program starts from: the constructed defaults, slot 0, the
// name "Profile", `profilePath`, and the profile file loaded over it (a
// missing or unreadable file, or an empty path, leaves the defaults).
MouseSettings LoadStartupSettings(const std::string& profilePath);

}  // namespace tr58k
