// tr58kctl's face of the firmware update: the status texts as lines and a
// text progress bar, on one stream. On a terminal the bar is redrawn in
// place; elsewhere (a pipe, a log) each new position is a line of its own.
#pragma once

#include <ostream>
#include <string>

#include "firmware/update_reporter.h"

namespace tr58k {

class TextProgressReporter final : public FirmwareUpdateReporter {
 public:
  TextProgressReporter(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
  ~TextProgressReporter() override { EndBarLine(); }

  void SetStatusText(const std::string& text) override;
  void SetProgress(int position) override;
  void EnableExitButton() override;

  // The last status text shown (empty when none).
  const std::string& LastStatus() const { return lastStatus_; }

 private:
  void EndBarLine();

  std::ostream& out_;
  bool terminal_;
  bool barOpen_ = false;  // a bar is drawn on the terminal's current line
  std::string lastStatus_;
};

// "[###############               ]  52%": 30 cells, clamped to 0..100;
// the percentage as the language in use writes it.
std::string ProgressBar(int position);

}  // namespace tr58k
