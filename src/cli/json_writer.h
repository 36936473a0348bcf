// A small JSON writer for tr58kctl's --json output, and the text conversions
// it needs. The output is always valid UTF-8: a profile name may hold any
// UTF-16 units (also unpaired surrogates) and a path any bytes, so whatever
// cannot be represented becomes U+FFFD instead of breaking the document.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tr58k {

// UTF-16 to UTF-8; each unpaired surrogate becomes U+FFFD. Never fails.
std::string Utf16ToUtf8(std::u16string_view text);

// Copies valid UTF-8 through; each byte that does not start a valid, shortest
// form sequence of a scalar value becomes U+FFFD. Never fails.
std::string SanitizeUtf8(std::string_view text);

// `text` (UTF-8, sanitised first) as a quoted JSON string: quote, backslash,
// the C0 controls, DEL, U+2028 and U+2029 escaped; other characters raw.
std::string JsonQuote(std::string_view text);

// Builds one compact JSON document into a string. Commas are placed by the
// writer; the caller only has to nest Begin/End calls correctly and give a
// Key before each value inside an object.
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& String(std::u16string_view utf16);
  JsonWriter& Int(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  const std::string& Text() const { return text_; }

 private:
  void BeforeValue();
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);

  std::string text_;
  std::vector<bool> firstInLevel_;
  bool afterKey_ = false;
};

}  // namespace tr58k
