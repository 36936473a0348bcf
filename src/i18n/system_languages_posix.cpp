#include <cstdlib>

#include "i18n/language_choice.h"

namespace tr58k {

std::vector<std::string> SystemLanguagePreferences() {
  return PosixLanguagePreferences([](const char* name) { return std::getenv(name); });
}

}  // namespace tr58k
