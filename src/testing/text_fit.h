// The fit test's rule, shared by the Qt and the Win32 host: in every
// language the programs carry, every text of a static, push button, check
// box or group box of both windows fits its control's rectangle, measured
// by the host in the dialog's font; so does every status line of the update
// in its one-line field. Controls never grow: a translation that does not
// fit is a fault of the translation.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace tr58k::test {

// One text on one control, in the language in use.
struct TextOnControl {
  const char* window;  // "main window", "update window"
  const DialogTemplate* dialog;  // the localised template
  size_t index;                  // the control's place in it
  // The control, with the text to measure (a status line's message for the
  // update window's status field).
  const ControlSpec* control;
};

// What the host measured: the room the control gives the text and the
// room the text takes, in pixels.
struct TextRoom {
  int haveWidth = 0, haveHeight = 0;
  int needWidth = 0, needHeight = 0;
};

struct FitSummary {
  std::vector<std::string> misfits;  // one line each, language first
  // One line a language: texts measured, the one with least width to spare.
  std::vector<std::string> languages;
};

// For every catalogue and the texts as written: puts the catalogue in use,
// measures each text with `measure` and collects what does not fit. Leaves
// no catalogue in use.
FitSummary CheckTextsFit(const std::function<TextRoom(const TextOnControl&)>& measure);

}  // namespace tr58k::test
