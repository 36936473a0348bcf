#include "testing/text_fit.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "firmware/firmware_messages.h"
#include "i18n/text_lookup.h"
#include "ui/localized_template.h"

namespace tr58k::test {

namespace {

bool Measured(ControlKind kind) {
  return kind == ControlKind::kStatic || kind == ControlKind::kPushButton ||
         kind == ControlKind::kCheckBox || kind == ControlKind::kGroupBox;
}

std::string Name(const TextOnControl& item) {
  const ControlSpec& c = *item.control;
  const char* kinds[] = {"button", "group box", "static", "caption", "edit box", "list",
                         "check box", "trackbar", "progress bar"};
  std::string name = std::string(item.window) + " " + kinds[static_cast<int>(c.kind)];
  name += c.id == kNoControlId ? " #" + std::to_string(item.index) : " " + std::to_string(c.id);
  return name + " \"" + c.text + "\"";
}

}  // namespace

FitSummary CheckTextsFit(const std::function<TextRoom(const TextOnControl&)>& measure) {
  FitSummary summary;
  std::vector<std::string> languages = CatalogueCodes();
  languages.insert(languages.begin(), "");  // the texts as written
  for (const std::string& language : languages) {
    UseCatalogue(language);
    const std::string label = language.empty() ? "C" : language;
    int measured = 0;
    int tightest = INT_MAX;
    std::string tightestName;
    const std::pair<const char*, const DialogTemplate*> windows[] = {
        {"main window", &LocalizedTemplate(MainDialogTemplate())},
        {"update window", &LocalizedTemplate(FwUpdateDialogTemplate())}};
    // The texts to measure: every text of the templates, and the status
    // line's messages, which an edit box shows cut rather than wrapped.
    std::vector<TextOnControl> items;
    for (const auto& [window, dialog] : windows) {
      for (size_t i = 0; i < dialog->controls.size(); ++i) {
        const ControlSpec& control = dialog->controls[i];
        if (Measured(control.kind) && *control.text != '\0') {
          items.push_back({window, dialog, i, &control});
        }
      }
    }
    const DialogTemplate& update = *windows[1].second;
    const std::string statuses[] = {Tr(kImageErrorText), Tr(kMouseNotDetectedText),
                                    Tr(kUpdateErrorText), Tr(kUpdatingText),
                                    UpdateStartText(65535), UpdateDoneText(65535)};
    std::vector<ControlSpec> statusLines;
    statusLines.reserve(std::size(statuses));
    for (size_t i = 0; i < update.controls.size(); ++i) {
      if (update.controls[i].id != fwctl::kStatus) continue;
      for (const std::string& status : statuses) {
        statusLines.push_back(update.controls[i]);
        statusLines.back().text = status.c_str();
        items.push_back({"update window status", &update, i, &statusLines.back()});
      }
    }
    for (const TextOnControl& item : items) {
      const TextRoom room = measure(item);
      ++measured;
      const int spare = room.haveWidth - room.needWidth;
      if (spare < tightest) {
        tightest = spare;
        tightestName = Name(item);
      }
      if (room.needWidth > room.haveWidth || room.needHeight > room.haveHeight) {
        summary.misfits.push_back(
            label + ": " + Name(item) + " needs " + std::to_string(room.needWidth) + " x " +
            std::to_string(room.needHeight) + " px, has " + std::to_string(room.haveWidth) + " x " +
            std::to_string(room.haveHeight) + ": " +
            std::to_string(std::max(room.needWidth - room.haveWidth, 0)) + " px too wide, " +
            std::to_string(std::max(room.needHeight - room.haveHeight, 0)) + " px too high");
      }
    }
    summary.languages.push_back(label + ": " + std::to_string(measured) +
                                " texts measured; tightest " + tightestName + ", " +
                                std::to_string(tightest) + " px to spare");
  }
  UseCatalogue("");
  return summary;
}

}  // namespace tr58k::test
