#include "i18n/ui_language_list.h"

namespace tr58k {

std::vector<std::string> SplitUiLanguageNames(std::wstring_view names) {
  std::vector<std::string> list;
  std::string name;
  for (wchar_t c : names) {
    if (c == L'\0') {
      if (name.empty()) break;
      list.push_back(name);
      name.clear();
    } else {
      name += c < 0x80 ? static_cast<char>(c) : '?';
    }
  }
  if (!name.empty()) list.push_back(name);
  return list;
}

}  // namespace tr58k
