#include <windows.h>

#include "i18n/language_choice.h"
#include "i18n/ui_language_list.h"

namespace tr58k {

std::vector<std::string> SystemLanguagePreferences() {
  ULONG count = 0;
  ULONG size = 0;
  if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) && size > 0) {
    std::wstring names(size, L'\0');
    if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size)) {
      std::vector<std::string> preferences = SplitUiLanguageNames(names);
      if (!preferences.empty()) return preferences;
    }
  }
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name,
                       LOCALE_NAME_MAX_LENGTH, 0) > 0) {
    return SplitUiLanguageNames(std::wstring(name) + L'\0');
  }
  // No language at all: English, as for a language without a catalogue.
  return {"en"};
}

}  // namespace tr58k
