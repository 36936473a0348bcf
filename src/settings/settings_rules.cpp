#include "settings/settings_rules.h"

#include <array>
#include <limits>

#include "settings/profile_file.h"

namespace tr58k {

namespace {

struct RateEntry {
  int hz;
  int16_t code;
};
// In the order of the window's report-rate list.
constexpr std::array<RateEntry, kReportRateCount> kRates = {
    {{1000, kInterval1000Hz}, {500, kInterval500Hz}, {250, kInterval250Hz}, {125, kInterval125Hz}}};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsValidDpi(int value) { return value >= kDpiMin && value <= kDpiMax && value % kDpiStep == 0; }

bool IsValidLevelCount(int count) { return count >= kLevelCountMin && count <= kLevelCountMax; }

int32_t ParseLeadingInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a magnitude; stop growing once past the 32-bit range.
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
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

int ReportRateHz(int16_t reportInterval) {
  for (const auto& rate : kRates) {
    if (rate.code == reportInterval) return rate.hz;
  }
  return 0;
}

std::optional<int16_t> ReportIntervalForHz(int hz) {
  for (const auto& rate : kRates) {
    if (rate.hz == hz) return rate.code;
  }
  return std::nullopt;
}

int ReportRateIndexForInterval(int16_t reportInterval) {
  for (size_t i = 0; i < kRates.size(); ++i) {
    if (kRates[i].code == reportInterval) return static_cast<int>(i);
  }
  return -1;
}

std::optional<int16_t> ReportIntervalForIndex(int index) {
  if (index < 0 || index >= static_cast<int>(kRates.size())) return std::nullopt;
  return kRates[static_cast<size_t>(index)].code;
}

MouseSettings LoadStartupSettings(const std::string& profilePath) {
  MouseSettings settings;
  settings.profileIndex = 0;
  settings.profileName = u"Profile";
  settings.profilePath = profilePath;
  if (!profilePath.empty()) LoadProfile(settings, profilePath);
  return settings;
}

}  // namespace tr58k
