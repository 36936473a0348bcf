// Splitting UTF-16 text into code points, shared by the code-page
// conversions of both platforms.
#pragma once

#include <cstddef>
#include <string_view>

namespace tr58k {

inline constexpr char32_t kReplacementCodePoint = U'\uFFFD';  // marks a character to replace

// Splits UTF-16 into code points; an unpaired surrogate yields kReplacementCodePoint.
class CodePointReader {
 public:
  explicit CodePointReader(std::u16string_view text) : text_(text) {}

  bool Next(char32_t& out) {
    if (pos_ >= text_.size()) return false;
    const char16_t unit = text_[pos_++];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (pos_ < text_.size() && text_[pos_] >= 0xDC00 && text_[pos_] <= 0xDFFF) {
        const char16_t low = text_[pos_++];
        out = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
        return true;
      }
      out = kReplacementCodePoint;
      return true;
    }
    out = (unit >= 0xDC00 && unit <= 0xDFFF) ? kReplacementCodePoint : char32_t(unit);
    return true;
  }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

}  // namespace tr58k
