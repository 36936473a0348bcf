// UTF-8 (inside the program) to UTF-16 (at each Win32 call) and back.
#pragma once

#include <string>
#include <string_view>

namespace tr58k {

// Invalid UTF-8 sequences become U+FFFD. Returns an empty string for empty input.
std::wstring Utf8ToWide(std::string_view text);
// Unpaired surrogates become U+FFFD. Returns an empty string for empty input.
std::string WideToUtf8(std::wstring_view text);

}  // namespace tr58k
