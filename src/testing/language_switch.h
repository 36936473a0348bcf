// The language switch test's rule, shared by the Qt and the Win32 host: the
// same actions in two languages show different texts wherever the program
// has a translation, and the same everything else (numbers, versions, the
// DPI captions), and send the mouse and store in the profile the very same
// bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace tr58k::test {

// What both windows showed, and what was sent and stored, in one language.
struct LanguageRun {
  // The window's caption, then each control's text, in template order
  // (read back by identifier, or by place for controls without one).
  std::vector<std::string> mainTexts;
  std::vector<std::string> updateTexts;
  // Message boxes and status lines shown along the way.
  std::vector<std::string> messages;
  std::vector<std::vector<uint8_t>> requests;  // every report the mouse received
  std::vector<uint8_t> profile;                // the profile file's bytes
};

// The differences between `run`, in another language, and `source`, the
// texts as written: with `sameTexts` every text must be equal (Simplified
// Chinese, whose windows show the texts as written); otherwise every text
// of `mainTemplate` and `updateTemplate` (the source templates) and every
// message must differ, and every other text be equal. The bytes sent and
// stored are equal in every case. One line a difference; none: the run
// passes.
std::vector<std::string> CompareLanguageRuns(const LanguageRun& source, const LanguageRun& run,
                                             const DialogTemplate& mainTemplate,
                                             const DialogTemplate& updateTemplate, bool sameTexts);

}  // namespace tr58k::test
