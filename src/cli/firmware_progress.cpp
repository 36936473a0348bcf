#include "cli/firmware_progress.h"

#include <algorithm>
#include <cstdio>

#include "i18n/text_lookup.h"

namespace tr58k {

namespace {
constexpr int kBarCells = 30;
}

std::string ProgressBar(int position) {
  const int clamped = std::clamp(position, 0, 100);
  const int filled = clamped * kBarCells / 100;
  char number[8];
  std::snprintf(number, sizeof number, "%4d", clamped);
  return "[" + std::string(static_cast<size_t>(filled), '#') +
         std::string(static_cast<size_t>(kBarCells - filled), ' ') + "]" +
         // TRANSLATORS: the share of the update done, after the bar; %1 is
         // the number, right-aligned in four columns.
         Format(Tr("%1%"), {number});
}

void TextProgressReporter::SetStatusText(const std::string& text) {
  EndBarLine();
  lastStatus_ = text;
  if (!text.empty()) out_ << text << '\n' << std::flush;
}

void TextProgressReporter::SetProgress(int position) {
  if (terminal_) {
    out_ << '\r' << ProgressBar(position) << std::flush;
    barOpen_ = true;
  } else {
    out_ << ProgressBar(position) << '\n' << std::flush;
  }
}

// The window enables its exit button here; a terminal only needs the bar's
// line ended.
void TextProgressReporter::EnableExitButton() { EndBarLine(); }

void TextProgressReporter::EndBarLine() {
  if (barOpen_) {
    out_ << '\n' << std::flush;
    barOpen_ = false;
  }
}

}  // namespace tr58k
