#include "ui/localized_template.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "i18n/text_lookup.h"

namespace tr58k {

const DialogTemplate& LocalizedTemplate(const DialogTemplate& source) {
  const std::string language = ActiveCatalogue();
  if (language.empty()) return source;
  static std::mutex mutex;
  static std::map<std::pair<const DialogTemplate*, std::string>, std::unique_ptr<DialogTemplate>>
      made;
  std::lock_guard lock(mutex);
  std::unique_ptr<DialogTemplate>& copy = made[{&source, language}];
  if (!copy) {
    copy = std::make_unique<DialogTemplate>(source);
    // The translations live in the program's catalogues, as long as it.
    copy->caption = Tr(source.caption);
    for (ControlSpec& control : copy->controls) control.text = Tr(control.text);
  }
  return *copy;
}

}  // namespace tr58k
