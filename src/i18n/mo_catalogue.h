// A compiled gettext catalogue (a .mo file, as msgfmt writes it) read in
// place: the texts are looked up in the catalogue's bytes and returned as
// pointers into them, so the bytes must outlive the catalogue (the programs
// carry theirs as constants).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "i18n/plural_rule.h"

namespace tr58k {

class MoCatalogue {
 public:
  // Takes the bytes of a compiled catalogue, in either byte order. Returns
  // false, and holds nothing, when they are not one: a wrong magic number,
  // tables or texts outside the bytes, a text not NUL-terminated, or the
  // originals out of order (they are searched by halving).
  bool Load(std::span<const uint8_t> bytes);

  bool Loaded() const { return count_ > 0; }
  // The translation of `msgid`; nullptr when the catalogue lacks it or
  // leaves it empty.
  const char* Find(std::string_view msgid) const;
  // The form for n of the entry whose singular is `msgid`; nullptr when the
  // catalogue lacks the entry or that form.
  const char* FindPlural(std::string_view msgid, unsigned long n) const;
  // A field of the header (the translation of ""), e.g. "Language";
  // empty when there is none.
  std::string_view HeaderField(std::string_view name) const;
  const PluralRule& Plural() const { return plural_; }

 private:
  struct Text {
    const char* data = nullptr;
    uint32_t size = 0;
  };
  uint32_t Word(uint32_t offset) const;
  // Text i of the table at `table`; data is null when it lies outside.
  Text TextAt(uint32_t table, uint32_t i) const;
  // The index of the original whose text (up to its first NUL, for a
  // plural entry) is `msgid`; -1 when there is none.
  int64_t IndexOf(std::string_view msgid) const;

  std::span<const uint8_t> bytes_;
  bool swapped_ = false;
  uint32_t count_ = 0;
  uint32_t originals_ = 0;
  uint32_t translations_ = 0;
  PluralRule plural_;
};

}  // namespace tr58k
