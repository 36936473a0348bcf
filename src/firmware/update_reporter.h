// What the firmware transfer reports while it runs: the status line, the
// progress position and the exit button. The update window, tr58kctl and the
// tests each supply their own. The calls come from the thread that runs the
// transfer (the update's worker); an implementation hands them to its own
// thread as it needs to and returns once they are shown.
#pragma once

#include <string>

namespace tr58k {

class FirmwareUpdateReporter {
 public:
  virtual ~FirmwareUpdateReporter() = default;
  // The one-line status text, UTF-8 (the texts of firmware_messages.h).
  virtual void SetStatusText(const std::string& text) = 0;
  // The progress position, 0..100 (the transfer never sets 100).
  virtual void SetProgress(int position) = 0;
  // The update has ended (or never started): the user may leave.
  virtual void EnableExitButton() = 0;
};

}  // namespace tr58k
