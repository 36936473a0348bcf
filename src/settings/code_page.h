// Conversion of the profile name to the 8-bit code page the mouse stores:
// on Windows the thread's ANSI code page, whichever it is, UTF-8 (65001)
// included (code_page_windows.cpp). Linux has no per-thread ANSI code page;
// GBK (code page 936) stands in for it there, the code page the mouse's own
// name field was made for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tr58k {

inline constexpr char kCodePageDefaultChar = '?';

// Converts UTF-16 `text` to GBK bytes (Windows: the thread's ANSI code
// page). Each code point the code page cannot represent, and each unpaired
// surrogate, becomes one '?'. The result is cut to at most `maxBytes` bytes
// at a character boundary, so a multi-byte character is never split.
// Conversion stops at an embedded U+0000. Never fails: if the system has no
// GBK converter, non-ASCII characters become '?'.
std::string ToNameCodePage(std::u16string_view text, size_t maxBytes);

}  // namespace tr58k
