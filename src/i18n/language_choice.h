// Which catalogue the user's language settings pick, the way each platform
// picks a program's language.
//
// A preference is a locale name or a language tag: "de_DE.UTF-8",
// "pt_BR", "zh-Hant-TW", "ja". "C" and "POSIX" (with any codeset) ask for
// the texts as written in the program. Preferences are tried in order; the
// first that names a catalogue the program carries wins. When none does,
// the program speaks English, the language most such users read.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tr58k {

// The environment variable that overrides the platform's choice.
inline constexpr char kLanguageVariable[] = "TR58K_LANGUAGE";

// The preferences of the POSIX environment, as gettext reads it: the locale
// is the first non-empty of LC_ALL, LC_MESSAGES and LANG ("C" when none is
// set). In the C or POSIX locale the answer is {"C"} and LANGUAGE does not
// count (a program's output in that locale is the one scripts expect);
// otherwise LANGUAGE, a colon-separated list, comes first when set, and
// the locale only when it is not.
std::vector<std::string> PosixLanguagePreferences(
    const std::function<const char*(const char*)>& getenv);

// The preferences a value of --language or TR58K_LANGUAGE gives: one
// preference or a colon-separated list. Empty for an empty value.
std::vector<std::string> SplitLanguageList(std::string_view value);

// The code of the catalogue among `codes` that `preferences` pick; "" for
// the texts as written (a "C" or "POSIX" preference first, or none at all).
std::string PickCatalogue(const std::vector<std::string>& preferences,
                          const std::vector<std::string>& codes);

// The platform's own preferences: the POSIX environment above, or on
// Windows the user's UI languages in order (GetUserPreferredUILanguages,
// else GetUserDefaultUILanguage).
std::vector<std::string> SystemLanguagePreferences();

// The preferences a program follows: `option` (the --language value) when
// not empty, else TR58K_LANGUAGE when set and not empty, else the
// platform's own.
std::vector<std::string> ProgramLanguagePreferences(std::string_view option);

// Picks the program's language from ProgramLanguagePreferences(option) and
// puts its catalogue in use. Returns its code ("" for the texts as written).
std::string ChooseProgramLanguage(std::string_view option);

}  // namespace tr58k
