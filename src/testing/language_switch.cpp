#include "testing/language_switch.h"

namespace tr58k::test {

namespace {

// Which texts of a window a translation changes: the caption and every
// control text of the template, the DPI captions ("DPI1:") and the texts
// the program writes (versions, numbers) aside.
std::vector<bool> Translated(const DialogTemplate& tmpl) {
  std::vector<bool> translated{true};
  for (const ControlSpec& c : tmpl.controls) {
    translated.push_back(*c.text != '\0' && c.kind != ControlKind::kCaptionLabel);
  }
  return translated;
}

void CompareTexts(const char* what, const std::vector<std::string>& source,
                  const std::vector<std::string>& other, const std::vector<bool>& translated,
                  bool sameTexts, std::vector<std::string>& differences) {
  if (source.size() != other.size() || source.size() != translated.size()) {
    differences.push_back(std::string(what) + ": " + std::to_string(other.size()) + " texts read, " +
                          std::to_string(source.size()) + " as written, " +
                          std::to_string(translated.size()) + " expected");
    return;
  }
  for (size_t i = 0; i < source.size(); ++i) {
    const bool mustDiffer = translated[i] && !sameTexts;
    if ((source[i] != other[i]) != mustDiffer) {
      differences.push_back(std::string(what) + " text " + std::to_string(i) + ": \"" + other[i] +
                            (mustDiffer ? "\" is still \"" : "\" is not \"") + source[i] + "\"");
    }
  }
}

}  // namespace

std::vector<std::string> CompareLanguageRuns(const LanguageRun& source, const LanguageRun& run,
                                             const DialogTemplate& mainTemplate,
                                             const DialogTemplate& updateTemplate, bool sameTexts) {
  std::vector<std::string> differences;
  CompareTexts("main window", source.mainTexts, run.mainTexts, Translated(mainTemplate), sameTexts,
               differences);
  CompareTexts("update window", source.updateTexts, run.updateTexts, Translated(updateTemplate),
               sameTexts, differences);
  CompareTexts("message", source.messages, run.messages,
               std::vector<bool>(source.messages.size(), true), sameTexts, differences);
  if (source.messages.empty()) differences.push_back("no message was shown");
  if (run.requests != source.requests) differences.push_back("the mouse received other bytes");
  if (source.requests.empty()) differences.push_back("the mouse received nothing");
  if (run.profile != source.profile) differences.push_back("the profile holds other bytes");
  if (source.profile.empty()) differences.push_back("no profile was written");
  return differences;
}

}  // namespace tr58k::test
