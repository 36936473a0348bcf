#include "settings/code_page.h"

#include <windows.h>

#include "settings/utf16_code_points.h"

namespace tr58k {

// One code point at a time through the thread's ANSI code page, so that the
// cut at maxBytes always falls between characters. What the code page cannot
// represent becomes its default character (WideCharToMultiByte's own).
std::string ToNameCodePage(std::u16string_view text, size_t maxBytes) {
  CodePointReader reader(text);
  std::string result;
  char32_t cp = 0;
  while (reader.Next(cp) && cp != 0) {
    wchar_t units[2];
    int unitCount = 1;
    if (cp == kReplacementCodePoint) {
      units[0] = 0xD800;  // an unpaired surrogate: the code page's default character
    } else if (cp >= 0x10000) {
      units[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      units[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      unitCount = 2;
    } else {
      units[0] = static_cast<wchar_t>(cp);
    }
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, units, unitCount, bytes, sizeof bytes,
                                        nullptr, &usedDefault);
    // One default character per character, also for a surrogate pair,
    // which some systems turn into two.
    const std::string converted = n > 0 && !usedDefault ? std::string(bytes, static_cast<size_t>(n))
                                                        : std::string(1, kCodePageDefaultChar);
    if (result.size() + converted.size() > maxBytes) break;
    result += converted;
  }
  return result;
}

}  // namespace tr58k
