#include "settings/code_page_windows.h"

#include "settings/code_page.h"
#include "settings/utf16_code_points.h"

namespace tr58k {
namespace {

// The conversion of one name: whether the thread's code page still answers
// the used-default question.
class NameConverter {
 public:
  explicit NameConverter(WideToMultiByteCall convert) : convert_(convert) {}

  // The code page's bytes for one code point, or the default character.
  std::string Convert(char32_t cp) {
    if (cp == kReplacementCodePoint) return std::string(1, kCodePageDefaultChar);
    wchar_t units[2];
    int unitCount = 1;
    if (cp >= 0x10000) {
      units[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      units[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      unitCount = 2;
    } else {
      units[0] = static_cast<wchar_t>(cp);
    }
    char bytes[8];
    BOOL usedDefault = FALSE;
    int n = 0;
    if (asksUsedDefault_) {
      n = convert_(CP_THREAD_ACP, 0, units, unitCount, bytes, sizeof bytes, nullptr, &usedDefault);
      if (n <= 0 && ::GetLastError() == ERROR_INVALID_PARAMETER) asksUsedDefault_ = false;
    }
    if (!asksUsedDefault_) {
      usedDefault = FALSE;
      n = convert_(CP_THREAD_ACP, 0, units, unitCount, bytes, sizeof bytes, nullptr, nullptr);
    }
    // One default character per character, also for a surrogate pair,
    // which some systems turn into two.
    if (n <= 0 || usedDefault) return std::string(1, kCodePageDefaultChar);
    return std::string(bytes, static_cast<size_t>(n));
  }

 private:
  WideToMultiByteCall convert_;
  bool asksUsedDefault_ = true;
};

int SystemWideToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideCount, LPSTR out,
                          int outSize, LPCCH defaultChar, LPBOOL usedDefault) {
  return ::WideCharToMultiByte(codePage, flags, wide, wideCount, out, outSize, defaultChar,
                               usedDefault);
}

}  // namespace

// One code point at a time, so that the cut at maxBytes always falls between
// characters, whatever the code page's character widths.
std::string ToNameCodePageWith(WideToMultiByteCall convert, std::u16string_view text,
                               size_t maxBytes) {
  NameConverter converter(convert);
  CodePointReader reader(text);
  std::string result;
  char32_t cp = 0;
  while (reader.Next(cp) && cp != 0) {
    const std::string converted = converter.Convert(cp);
    if (result.size() + converted.size() > maxBytes) break;
    result += converted;
  }
  return result;
}

std::string ToNameCodePage(std::u16string_view text, size_t maxBytes) {
  return ToNameCodePageWith(SystemWideToMultiByte, text, maxBytes);
}

}  // namespace tr58k
