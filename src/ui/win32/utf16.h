// Texts are UTF-8 in the window layer and UTF-16 at each Win32 call.
#pragma once

#include <string>

namespace tr58k {

// Invalid input becomes U+FFFD; never fails.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

}  // namespace tr58k
