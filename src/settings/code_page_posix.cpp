#include "settings/code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "settings/utf16_code_points.h"

namespace tr58k {
namespace {

class GbkEncoder {
 public:
  GbkEncoder() : cd_(iconv_open("GBK", "UCS-4LE")) {}
  ~GbkEncoder() {
    if (cd_ != kInvalid) iconv_close(cd_);
  }
  GbkEncoder(const GbkEncoder&) = delete;
  GbkEncoder& operator=(const GbkEncoder&) = delete;

  // The GBK bytes of one code point, or the default character.
  std::string Encode(char32_t cp) {
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    if (cp == kReplacementCodePoint || cd_ == kInvalid) return std::string(1, kCodePageDefaultChar);
    std::array<char, 4> in = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                              static_cast<char>((cp >> 16) & 0xFF),
                              static_cast<char>((cp >> 24) & 0xFF)};
    std::array<char, 8> out{};
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
    if (rc == static_cast<size_t>(-1) || rc > 0 || inLeft != 0) {
      // rc > 0 counts irreversible (approximated) conversions: not the
      // character the user typed, so it is replaced like an unknown one.
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      return std::string(1, kCodePageDefaultChar);
    }
    return std::string(out.data(), static_cast<size_t>(outPtr - out.data()));
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_;
};

}  // namespace

std::string ToNameCodePage(std::u16string_view text, size_t maxBytes) {
  GbkEncoder encoder;
  CodePointReader reader(text);
  std::string result;
  char32_t cp = 0;
  while (reader.Next(cp) && cp != 0) {
    const std::string bytes = encoder.Encode(cp);
    if (result.size() + bytes.size() > maxBytes) break;
    result += bytes;
  }
  return result;
}

}  // namespace tr58k
