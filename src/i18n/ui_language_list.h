// Windows gives the user's UI languages as one string of NUL-ended names
// ("de-DE\0en-US\0\0"); the language choice takes them as a list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tr58k {

// The names in order, as ASCII (language names are); empty names and
// anything after the first empty one are dropped.
std::vector<std::string> SplitUiLanguageNames(std::wstring_view names);

}  // namespace tr58k
